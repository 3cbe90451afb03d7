#!/usr/bin/env bash
# Measures how long each program of the release archive takes under Wine from its process
# start until its main window is visible, beside a bare dialog program with Grenwick's
# window, and prints a table for the README. Grenwick runs twice: with no list files, and
# with full ones (999 mods). Median of 5 runs each, after one warm-up round, in a throwaway
# Wine prefix with a running Wine server, on its own virtual display.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env.sh
runs=${STARTUP_RUNS:-5}
if [ -z "${STARTUP_BENCH_DISPLAY:-}" ]; then
    bash scripts/package.sh >/dev/null
    build=${GRENWICK_BUILD_DIR:-build}
    cmake --preset windows -B "$build/win" >/dev/null
    cmake --build "$build/win" -j "$(nproc)" --target window_probe StartupBare >/dev/null
    archive=$(ls -t "$build"/release/Grenwick-*-win64.zip | head -n 1)
    # On a machine busy with other work, STARTUP_REALTIME=1 runs the timing part (not the
    # build) at a real-time priority (as root), so the others' load does not blur the times.
    priority=()
    [ -n "${STARTUP_REALTIME:-}" ] && priority=(chrt -f 10)
    STARTUP_BENCH_DISPLAY=1 "${priority[@]}" bash -c 'source scripts/wine-env.sh; wine_own_display "$@"' _ \
        bash "$0" "$archive" "$build/win/bin/window_probe.exe" "$build/win/bin/StartupBare.exe"
    exit
fi
archive=$(realpath "$1")
probe=$(realpath "$2")
bare=$(realpath "$3")

trap wine_prefix_remove EXIT
wine_prefix_new wp-release-bench
wine_server_start

drive=$WINEPREFIX/drive_c
mkdir "$drive/kit" "$drive/game"
(cd "$drive/kit" && cmake -E tar xf "$archive")
cp "$bare" "$drive/kit/"
cd "$drive/game"

# A full mod list as Grenwick saves it: 999 records of 30 bytes, each text padded with zero
# bytes, the last one not padded; the names in the order the list shows them.
record() { printf '%s' "$1"; (($2)) && head -c $((30 - ${#1})) /dev/zero; return 0; }
for i in $(seq 1 999); do
    pad=$((i < 999))
    record "$(printf 'Mod %03d of the full list' "$i")" $pad >>"$drive/full-names.txt"
    record "$(printf 'mods\\mod%03d.bat' "$i")" $pad >>"$drive/full-paths.txt"
done
use_list() {
    rm -f "$drive/zorvmodnames.txt" "$drive/zorvmodpaths.txt"
    if [ "$1" = full ]; then
        cp "$drive/full-names.txt" "$drive/zorvmodnames.txt"
        cp "$drive/full-paths.txt" "$drive/zorvmodpaths.txt"
    fi
}

# Case label, program file, window title, list files; the bare program shows Grenwick's window.
cases=("bare:StartupBare:Grenwick:empty" "empty:Grenwick:Grenwick:empty" "full:Grenwick:Grenwick:full"
    "Tavlin:Tavlin:Tavlin:empty" "Orrisk:Orrisk:Orrisk:empty")
declare -A times
for round in $(seq 0 "$runs"); do
    for entry in "${cases[@]}"; do
        IFS=: read -r label exe title list <<<"$entry"
        use_list "$list"
        visible=$(timeout 60 "$WINE" "$probe" run "C:\\kit\\$exe.exe" "$title" 20000 | sed -n 's/^visible //p')
        # Round 0 warms the caches and is not counted.
        ((round == 0)) || times[$label]+="$visible "
    done
done
use_list empty
median() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -n | sed -n "$(((runs + 1) / 2))p"; }

declare -A names=([bare]="bare dialog with Grenwick's window" [empty]='`Grenwick`, no list files'
    [full]='`Grenwick`, 999 mods in the list files' [Tavlin]='`Tavlin`' [Orrisk]='`Orrisk`')
bare_ms=$(median "${times[bare]}")
echo "| Program | Start-up (median of $runs) | Ratio to the bare dialog |"
echo "|---|---:|---:|"
for entry in "${cases[@]}"; do
    label=${entry%%:*}
    ms=$(median "${times[$label]}")
    echo "| ${names[$label]} | $ms ms | $(awk -v a="$ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", a / b }') |"
done
echo
echo "Archive $(basename "$archive"): $(stat -c %s "$archive") bytes."
echo "All runs (ms): $(for e in "${cases[@]}"; do printf '%s: %s; ' "${e%%:*}" "${times[${e%%:*}]% }"; done)"
echo "Measured on $(date +%Y-%m-%d) on this $(nproc)-core machine under $("$WINE" --version)."
