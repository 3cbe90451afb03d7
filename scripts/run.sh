#!/usr/bin/env bash
# Builds the kit for Windows and starts one of its programs under Wine, in the user's own
# Wine prefix (where the game lives): Grenwick by default, or the one named (Tavlin, Orrisk).
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-Grenwick}
case "$program" in
    Grenwick | Tavlin | Orrisk) ;;
    *) echo "usage: $0 [Grenwick|Tavlin|Orrisk]" >&2; exit 2 ;;
esac
bash scripts/setup.sh
source scripts/wine-env.sh

build=${GRENWICK_BUILD_DIR:-build}
cmake --preset windows -B "$build/win" >/dev/null
# The kit's patcher too, which PPF mods that Grenwick applies call by name.
cmake --build "$build/win" -j "$(nproc)" --target "$program" ApplyPPF3

if [ -z "${DISPLAY:-}" ]; then
    echo "$program needs a display: run this from a desktop session, or under xvfb-run to try it headless." >&2
    exit 1
fi
# Wine makes the prefix on first use; the user's own settings are left as they are.
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
# Wine's drive Z: is the Linux root; WINEPATH puts the bin folder on the programs' search path.
bin=$(realpath "$build/win/bin")
export WINEPATH="Z:${bin//\//\\}${WINEPATH:+;$WINEPATH}"
exec "$WINE" "$build/win/bin/$program.exe"
