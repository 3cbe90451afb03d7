#!/usr/bin/env bash
# Checks the release archive as a player gets it: exactly the three programs, the patcher and
# the guide, stripped, needing only Windows' own DLLs, without the test build's test points,
# each with its version record and manifest (and the programs with their icon); then unpacks
# it into a fresh Wine prefix, starts each program there, closes its window with Esc, checks
# that nothing but the unpacked files was left on drive C:, and applies one patch with the
# patcher.
#
#   check_package.sh <version> <window_probe.exe> <archive.zip | build dir to pack>
#
# A build dir is packed with its CPack configuration first, into a scratch folder.
# Runs under its own Xvfb and its own Wine server, so it can run inside another test run.
set -euo pipefail
if [ $# -ne 3 ]; then
    echo "usage: $0 <version> <window_probe.exe> <archive.zip | build dir>" >&2
    exit 2
fi
source "$(dirname "$0")/../../scripts/wine-env.sh"
if [ -z "${RELEASE_CHECK_DISPLAY:-}" ]; then
    RELEASE_CHECK_DISPLAY=1 wine_own_display bash "$0" "$@"
    exit
fi
version=$1
probe=$(realpath "$2")

scratch=$(mktemp -d /tmp/rel-check.XXXXXX)
trap 'wine_prefix_remove; rm -rf "$scratch"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

name="Grenwick-$version-win64.zip"
if [ -d "$3" ]; then
    timeout 300 cpack --config "$3/CPackConfig.cmake" -B "$scratch/pack" >/dev/null
    archive=$scratch/pack/$name
else
    archive=$(realpath "$3")
fi
[ "$(basename "$archive")" = "$name" ] && [ -f "$archive" ] || { echo "FAIL: no archive $name"; exit 1; }

# Contents: nothing the tests build (the probe, the start-up yardstick) may be among them.
expected="ApplyPPF3.exe Grenwick.exe Orrisk.exe PLAYERS.txt Tavlin.exe"
contents=$(cmake -E tar tf "$archive" | sort | tr '\n' ' ')
[ "$contents" = "$expected " ] || fail "archive holds: $contents; expected: $expected"
mkdir "$scratch/files"
(cd "$scratch/files" && cmake -E tar xf "$archive")

# The guide: CR LF on every line, and the facts a player cannot do without.
guide=$scratch/files/PLAYERS.txt
[ "$(grep -c $'\r$' "$guide")" = "$(wc -l <"$guide")" ] || fail "PLAYERS.txt has lines without CR LF"
for fact in 'C:\zorvmodnames.txt' 'C:\zorvmodpaths.txt' 'C:\Windows\system32\lastmod.txt' \
    ApplyPPF3.exe 'PPF mods need nothing else' administrator '30 characters' "version $version" \
    '%LOCALAPPDATA%\Grenwick\Originals' 'Undo last mod...'; do
    grep -qF "$fact" "$guide" || fail "PLAYERS.txt does not say \"$fact\""
done

# Only DLLs every Windows has: a MinGW runtime DLL would be missing on a player's machine.
# bcrypt gives the SHA-256 the originals store checks its copies with.
system_dlls='kernel32|user32|gdi32|comctl32|comdlg32|advapi32|bcrypt|ole32|oleaut32|shell32|shlwapi|version|msvcrt'
system_dlls="^($system_dlls|api-ms-win-crt-[a-z0-9-]+)\.dll\$"
for exe in Grenwick Tavlin Orrisk ApplyPPF3; do
    file=$scratch/files/$exe.exe
    [ -f "$file" ] || continue  # already reported with the contents
    headers=$(x86_64-w64-mingw32-objdump -h -f "$file")
    leftovers=$(grep -oE '\.debug_[a-z_]+|HAS_DEBUG|HAS_SYMS' <<<"$headers" | sort -u | tr '\n' ' ' || true)
    [ -z "$leftovers" ] || fail "$exe.exe is not stripped: $leftovers"
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        grep -qiE "$system_dlls" <<<"$dll" || fail "$exe.exe imports $dll"
    done
    # The test points (base/test_hook.h) are the test build's alone, and Grenwick's: a test
    # build packed here (KIT_TEST_POINTS=present) shows that this check finds them.
    points=absent
    if grep -qa GRENWICK_TEST_POINT "$file"; then points=present; fi
    wanted=absent
    if [ "$exe" = Grenwick ]; then wanted=${KIT_TEST_POINTS:-absent}; fi
    [ "$points" = "$wanted" ] || fail "$exe.exe: test points $points, expected $wanted"
done

wine_prefix_new wp-release
wine_server_start

drive=$WINEPREFIX/drive_c
mkdir "$drive/kit" "$drive/game"
(cd "$drive/kit" && cmake -E tar xf "$archive")
# Files by size and time; folders by name only, as Wine may touch them.
snapshot() { (cd "$drive" && find . \( -type d -printf '%y %p\n' \) -o -printf '%y %p %s %T@\n' | sort -k2); }
snapshot >"$scratch/before"

# The programs start where a player would run them: in the game's folder.
cd "$drive/game"
for exe in Grenwick Tavlin Orrisk; do
    if report=$(timeout 60 "$WINE" "$probe" resources "C:\\kit\\$exe.exe" "$version" 2>&1); then
        echo "ok $exe.exe: $(tr '\n' ' ' <<<"$report")"
    else
        fail "$exe.exe resources: $(tr '\n' ' ' <<<"$report")"
    fi
    if report=$(timeout 90 "$WINE" "$probe" run "C:\\kit\\$exe.exe" "$exe" 30000 2>&1); then
        echo "ok $exe.exe started and closed with Esc: $(tr '\n' ' ' <<<"$report")"
    else
        fail "$exe.exe start and Esc: $(tr '\n' ' ' <<<"$report")"
    fi
done
if report=$(timeout 60 "$WINE" "$probe" resources 'C:\kit\ApplyPPF3.exe' "$version" console 2>&1); then
    echo "ok ApplyPPF3.exe: $(tr '\n' ' ' <<<"$report")"
else
    fail "ApplyPPF3.exe resources: $(tr '\n' ' ' <<<"$report")"
fi
cd /

# Starting and closing writes no list file, no last-mod file, nothing at all on drive C:
# (Grenwick's automation registration goes to the registry, outside drive_c).
for file in zorvmodnames.txt zorvmodpaths.txt windows/system32/lastmod.txt; do
    [ ! -e "$drive/$file" ] || fail "C:/$file was written"
done
snapshot >"$scratch/after"
diff "$scratch/before" "$scratch/after" >"$scratch/changes" || fail "drive C: changed: $(cat "$scratch/changes")"
left=$(ls -A "$drive/kit" | sort | tr '\n' ' ')
[ "$left" = "$contents" ] || fail "the unpack folder holds $left; unpacked were $contents"

# The patcher from the archive, as a PPF mod runs it in the game's folder: a PPF 1.0 patch
# whose one record puts "SKY" at offset 9. Done after the snapshot, since it writes.
printf 'original map' >"$drive/game/canyon.map"
{ printf 'PPF10\0%-50s' 'Release check'; printf '\011\0\0\0\003SKY'; } >"$drive/game/sky.ppf"
if report=$(cd "$drive/game" && timeout 60 "$WINE" 'C:\kit\ApplyPPF3.exe' a canyon.map sky.ppf 2>&1) &&
    [ "$(cat "$drive/game/canyon.map")" = "original SKY" ]; then
    echo "ok ApplyPPF3.exe applied a patch: $(tr -d '\r' <<<"$report" | tr '\n' ' ')"
else
    fail "ApplyPPF3.exe a canyon.map sky.ppf: $report; the map holds: $(cat "$drive/game/canyon.map")"
fi

if ((failures)); then
    echo "release package $name: $failures check(s) failed"
    exit 1
fi
echo "release package $name: all checks passed"
