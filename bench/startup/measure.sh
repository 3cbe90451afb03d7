#!/usr/bin/env bash
# Measures how long each program of the release archive takes under Wine from its process
# start until its main window is visible, beside a bare dialog program with Grenwick's
# window, and prints a table for the README. Median of 5 runs each, after one warm-up run,
# in a throwaway Wine prefix with a running Wine server, on its own virtual display.
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${STARTUP_RUNS:-5}
if [ -z "${STARTUP_BENCH_DISPLAY:-}" ]; then
    bash scripts/package.sh >/dev/null
    build=${GRENWICK_BUILD_DIR:-build}
    cmake -S . -B "$build/win" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DCMAKE_BUILD_TYPE=Release \
        -DGRENWICK_TESTS=ON >/dev/null
    cmake --build "$build/win" -j "$(nproc)" --target window_probe StartupBare >/dev/null
    archive=$(ls -t "$build"/release/Grenwick-*-win64.zip | head -n 1)
    STARTUP_BENCH_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" \
        "$archive" "$build/win/bin/window_probe.exe" "$build/win/bin/StartupBare.exe"
fi
archive=$(realpath "$1")
probe=$(realpath "$2")
bare=$(realpath "$3")
source scripts/wine-env.sh

WINEPREFIX=$(mktemp -d /tmp/wp-release-bench.XXXXXX)
export WINEPREFIX
trap 'timeout 30 "$WINESERVER" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
timeout 180 bash -c 'source scripts/wine-env.sh; wine_prefix_init'
"$WINESERVER" -p </dev/null >/dev/null 2>&1
timeout 120 "$WINE" wineboot </dev/null >/dev/null 2>&1

drive=$WINEPREFIX/drive_c
mkdir "$drive/kit" "$drive/game"
(cd "$drive/kit" && cmake -E tar xf "$archive")
cp "$bare" "$drive/kit/"
cd "$drive/game"

# Program file and window title; the bare program shows Grenwick's window.
programs=(StartupBare:Grenwick Grenwick:Grenwick Tavlin:Tavlin Orrisk:Orrisk)
declare -A times
for round in $(seq 0 "$runs"); do
    for entry in "${programs[@]}"; do
        exe=${entry%%:*}
        visible=$(timeout 60 "$WINE" "$probe" run "C:\\kit\\$exe.exe" "${entry#*:}" 20000 | sed -n 's/^visible //p')
        # Round 0 warms the caches and is not counted.
        ((round == 0)) || times[$exe]+="$visible "
    done
done
median() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -n | sed -n "$(((runs + 1) / 2))p"; }

bare_ms=$(median "${times[StartupBare]}")
echo "| Program | Start-up (median of $runs) | Ratio to a bare dialog |"
echo "|---|---:|---:|"
for entry in "${programs[@]}"; do
    exe=${entry%%:*}
    ms=$(median "${times[$exe]}")
    label=$exe; [ "$exe" = StartupBare ] && label="bare dialog with Grenwick's window"
    echo "| $label | $ms ms | $(awk -v a="$ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", a / b }') |"
done
echo
echo "Archive $(basename "$archive"): $(stat -c %s "$archive") bytes."
echo "All runs (ms): $(for e in "${programs[@]}"; do printf '%s: %s; ' "${e%%:*}" "${times[${e%%:*}]% }"; done)"
echo "Measured on $(date +%Y-%m-%d) on this $(nproc)-core machine under $("$WINE" --version)."
