#!/usr/bin/env bash
# Installs what building, running and testing the kit needs on Debian 12 (run as root).
# Installs only what is missing, so running it again costs nothing.
set -euo pipefail

packages=(
    cmake make g++ clang libclang-rt-14-dev googletest libbenchmark-dev libssl-dev  # native build, tests, fuzz, bench
    g++-mingw-w64-x86-64-posix                                           # the Windows build
    wine64 fonts-wine xvfb xauth x11-apps imagemagick                    # running it: Wine and its fonts, a display, screenshots
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
fi
