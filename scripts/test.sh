#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: once in the normal
# build, which then makes the Debian package to be checked, and once with AddressSanitizer
# and UndefinedBehaviorSanitizer; then the tests of the threaded writer and extractor once
# more under ThreadSanitizer.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
shared_dir=${MOBREL_SHARED_DIR:-$(cd .. && pwd)/shared}

echo "== layers and formatting"
python3 scripts/check_layers.py

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMOBREL_SHARED_DIR="$shared_dir" >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

echo "== Debian package"
# From the normal build, already built: cpack only installs, strips and packs.
rm -f build/mobrel_*.deb
(cd build && cpack -G DEB >/dev/null)
python3 scripts/check_deb.py build/mobrel_*.deb

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMOBREL_SANITIZE=ON \
    -DMOBREL_BUILD_BENCH=OFF \
    -DMOBREL_SHARED_DIR="$shared_dir" >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs")

echo "== thread sanitizer build"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOBREL_TSAN=ON \
    -DMOBREL_BUILD_BENCH=OFF \
    -DMOBREL_SHARED_DIR="$shared_dir" >/dev/null
cmake --build build-tsan -j"$jobs" --target mobrel_tests mobrel-cli
# The suites that run work on several threads are named Parallel...
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --output-on-failure -j"$jobs" -R '^Parallel')
