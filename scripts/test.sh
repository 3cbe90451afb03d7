#!/usr/bin/env bash
# Builds the kit and runs every test: the core natively with AddressSanitizer and UBSan,
# the fuzz targets for a bounded time, then the Windows build under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/wine-env.sh

build=${GRENWICK_BUILD_DIR:-build}
jobs=$(nproc)

echo "== Native build and core tests (AddressSanitizer, UBSan)"
cmake -S . -B "$build/native" -DCMAKE_BUILD_TYPE=Debug -DGRENWICK_TESTS=ON -DGRENWICK_SANITIZE=ON -DGRENWICK_BENCH=ON >/dev/null
cmake --build "$build/native" -j "$jobs"
ctest --test-dir "$build/native" --output-on-failure -j "$jobs" --timeout 120

echo "== Fuzzing"
cmake -S . -B "$build/fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGRENWICK_TESTS=OFF -DGRENWICK_FUZZ=ON >/dev/null
cmake --build "$build/fuzz" -j "$jobs"
for target in "$build"/fuzz/bin/fuzz_*; do
    corpus=$(mktemp -d)
    echo "-- $(basename "$target")"
    timeout 120 "$target" -max_total_time="${GRENWICK_FUZZ_SECONDS:-20}" -print_final_stats=0 "$corpus" 2>&1 | tail -n 2
    rm -rf "$corpus"
done

echo "== Windows build and tests under Wine"
cmake -S . -B "$build/win" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DGRENWICK_TESTS=ON >/dev/null
cmake --build "$build/win" -j "$jobs"

# A throwaway prefix: the tests write C:\ and the registry, never the user's.
WINEPREFIX=$(mktemp -d /tmp/grenwick-wine.XXXXXX)
export WINEPREFIX
trap '"$WINESERVER" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wine_prefix_init

# One display, one persistent Wine server and its services for the whole run; their
# output goes nowhere, or ctest would wait for the pipe they inherit.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1" -p </dev/null >/dev/null 2>&1
    "$2" wineboot </dev/null >/dev/null 2>&1
    status=0
    # Standard input from nowhere: a PAUSE in a command the tests run returns at once.
    ctest --test-dir "$3" --output-on-failure -j1 --timeout 180 </dev/null || status=$?
    "$1" -k 2>/dev/null || true
    exit $status' _ "$WINESERVER" "$WINE" "$build/win"

# The pictures the tests took of the windows, for the README.
for picture in "$build"/win/screenshots/*.bmp; do
    [ -f "$picture" ] && convert "$picture" "${picture%.bmp}.png"
done
