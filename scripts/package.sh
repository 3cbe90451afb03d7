#!/usr/bin/env bash
# Builds the release archive for Windows players: an optimised, stripped build of the three
# programs, the patcher and the players' guide, packed by CPack into build/release/Grenwick-<version>-win64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

build=${GRENWICK_BUILD_DIR:-build}/release
cmake --preset release -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -B "$PWD")
