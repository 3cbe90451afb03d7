#!/usr/bin/env bash
# Runs Wine tests at another screen resolution: sets it in the test prefix for the programs
# started from now on, runs the tests, and sets 96 DPI back whatever happens. The tests read
# GRENWICK_TEST_DPI to check that the resolution did take effect.
#
#   at_dpi.sh <dpi> <wine_tests.exe> <test program arguments...>
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
dpi=$1
shift
trap 'wine_set_dpi 96' EXIT
wine_set_dpi "$dpi"
GRENWICK_TEST_DPI=$dpi "$WINE" "$@"
