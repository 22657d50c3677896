#!/usr/bin/env bash
# Installs what is missing, builds the programs for release in build-package/ and makes the
# Debian package there: checks it and prints its path.
# Install it with: apt install ./build-package/mobrel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# Optimised at -O2, as Debian builds its packages: at -O3 GCC 12 warns falsely (-Wrestrict)
# inside std::string's concatenation.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DMOBREL_BUILD_TESTS=OFF -DMOBREL_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j"$(nproc)"
rm -f build-package/mobrel_*.deb
(cd build-package && cpack -G DEB >/dev/null)
python3 scripts/check_deb.py build-package/mobrel_*.deb >&2
ls "$PWD"/build-package/mobrel_*.deb
