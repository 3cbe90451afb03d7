# Sourced by the scripts that run the Windows build: Wine's loader and server, the settings
# that keep Wine from looking for engines it cannot download here, and the one way the test
# command, the release check and the start-up measurement make a throwaway prefix and run it.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Runs a command on its own virtual display, as the Wine tests and measurements need one.
wine_own_display() {
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
}

# Creates the prefix in $WINEPREFIX if it has none yet, set up for programs that run with
# no window manager and no one to click a crash dialog away.
wine_prefix_init() {
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    mkdir -p "$WINEPREFIX"
    timeout 180 "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    wine_reg_add 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
    wine_reg_add 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0
    # This Wine build does not find its own fonts (package fonts-wine) where they are
    # installed, only in the prefix; without Marlett a caption's close box is the letter "r".
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    # The session that created the prefix can leave the service manager locked; start afresh.
    timeout 30 "$WINESERVER" -k 2>/dev/null || true
    timeout 30 "$WINESERVER" -w 2>/dev/null || true
}

# A fresh prefix in a temporary folder named after $1, exported as WINEPREFIX and set up.
# wine_prefix_remove (usually from an EXIT trap set before) stops its server and removes it;
# it touches no other prefix, so the trap is safe before the prefix exists.
wine_prefix_new() {
    WINEPREFIX=$(mktemp -d "/tmp/$1.XXXXXX")
    export WINEPREFIX
    wine_throwaway_prefix=$WINEPREFIX
    wine_prefix_init
}

wine_prefix_remove() {
    [ -n "${wine_throwaway_prefix:-}" ] || return 0
    WINEPREFIX=$wine_throwaway_prefix wine_server_stop
    rm -rf "$wine_throwaway_prefix"
    wine_throwaway_prefix=
}

# One persistent server and Wine's services for a whole run: each program then starts in
# about 0.1 s instead of 3 s. Their output goes nowhere, or a caller reading a program's
# output (ctest, $(...)) would wait for the pipe Wine's long-lived services inherit.
wine_server_start() {
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    timeout 120 "$WINE" wineboot </dev/null >/dev/null 2>&1
}

wine_server_stop() {
    timeout 30 "$WINESERVER" -k 2>/dev/null || true
}

# Sets the screen's logical resolution for programs started afterwards (96 is 100 %,
# 144 is 150 %); a running program keeps the one it started with.
wine_set_dpi() {
    wine_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$1"
}

wine_reg_add() {
    timeout 60 "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f </dev/null >/dev/null 2>&1
}
