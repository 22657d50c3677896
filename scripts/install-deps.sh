#!/usr/bin/env bash
# Installs what building, running, testing and packaging Mobrel needs on Debian 12
# (dpkg-shlibdeps from dpkg-dev and file derive the package's Depends; desktop-file-validate
# checks its menu entry).
# Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libssl-dev libbz2-dev liblzma-dev libzstd-dev
    libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
    zip unzip p7zip-full 7zip libarchive-tools python3 time
    clang clang-format
    dpkg-dev file desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# The peer tools the tests compare against must be there: a missing one is a failure.
for tool in zip unzip zipinfo 7z 7zz bsdtar python3; do
    command -v "$tool" >/dev/null || { echo "missing peer tool: $tool" >&2; exit 1; }
done
