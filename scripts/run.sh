#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the application.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

if [ -x build/app/mobrel ]; then
    exec build/app/mobrel "$@"
else
    echo "Built the engine and mobrel-cli (build/cli/mobrel-cli); the window is not built yet."
fi
