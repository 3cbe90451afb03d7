#!/usr/bin/env bash
# Builds the kit and runs every test: the core natively with AddressSanitizer and UBSan,
# the fuzz targets for a bounded time, then the Windows build under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/wine-env.sh

# The presets in CMakePresets.json hold each configuration; GRENWICK_BUILD_DIR moves the
# build folders elsewhere (default: build/).
build=${GRENWICK_BUILD_DIR:-build}
jobs=$(nproc)

echo "== Native build and core tests (AddressSanitizer, UBSan)"
cmake --preset native -B "$build/native" >/dev/null
cmake --build "$build/native" -j "$jobs"
ctest --test-dir "$build/native" --output-on-failure -j "$jobs" --timeout 120

echo "== Fuzzing"
cmake --preset fuzz -B "$build/fuzz" >/dev/null
cmake --build "$build/fuzz" -j "$jobs"
for target in "$build"/fuzz/bin/fuzz_*; do
    corpus=$(mktemp -d)
    echo "-- $(basename "$target")"
    timeout 120 "$target" -max_total_time="${GRENWICK_FUZZ_SECONDS:-20}" -print_final_stats=0 "$corpus" 2>&1 | tail -n 2
    rm -rf "$corpus"
done

echo "== Windows build and tests under Wine"
cmake --preset windows -B "$build/win" >/dev/null
cmake --build "$build/win" -j "$jobs"

# A throwaway prefix: the tests write C:\ and the registry, never the user's.
trap wine_prefix_remove EXIT
wine_prefix_new grenwick-wine

# One display, one persistent Wine server and its services for the whole run.
wine_own_display bash -c '
    source scripts/wine-env.sh
    wine_server_start
    status=0
    # Standard input from nowhere: a PAUSE in a command the tests run returns at once.
    ctest --test-dir "$1" --output-on-failure -j1 --timeout 180 </dev/null || status=$?
    wine_server_stop
    exit $status' _ "$build/win"

# The pictures the tests took of the windows, for the README.
for picture in "$build"/win/screenshots/*.bmp; do
    [ -f "$picture" ] && convert "$picture" -strip "${picture%.bmp}.png"
done
