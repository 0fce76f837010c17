# A throwaway wine prefix for the Windows programs' tests, stopped and removed
# by stop_wine. Sourced by scripts/windows-build.sh after windows-deps.sh, and
# by tests/windows/installer_under_wine.sh for save_wine_registry.

WINE_HOME=

start_wine() {
    WINE_HOME=$(mktemp -d /tmp/tolvan-wine.XXXXXX)
    export WINEPREFIX=$WINE_HOME/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine hands no Unix QT_* variable to a Windows program; WINEQT_* arrive as QT_*.
    export WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1
    export WINEPATH="$WIN_QT/bin;$WIN_LIBPQ/bin;/usr/lib/gcc/x86_64-w64-mingw32/12-posix;/usr/x86_64-w64-mingw32/lib"
    mkdir -p "$WINEPREFIX"
    start_wine_server
}

# The prefix's server, kept running between programs, and wine's background
# programs, started without a display. Their output goes to a log, printed by
# stop_wine: on the caller's output they would hold a pipe open that the
# caller reads to its end.
start_wine_server() {
    /usr/lib/wine/wineserver -p </dev/null >>"$(dirname "$WINEPREFIX")/wineserver.log" 2>&1
    (unset DISPLAY; wine cmd.exe /c exit) </dev/null >/dev/null 2>&1
}

# Ends the prefix's server, which writes the registry to its files, and starts
# it again. The server writes what changed only every 30 s otherwise, and a
# server that fails loses the rest: wine 8's fails now and then on an assertion
# when a program is killed while it waits on a network connection.
save_wine_registry() {
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
    start_wine_server
}

stop_wine() {
    [ -n "$WINE_HOME" ] || return 0
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
    [ -s "$WINE_HOME/wineserver.log" ] && sed 's/^/wineserver: /' "$WINE_HOME/wineserver.log" >&2
    # The server's socket folder, /tmp/wine-*/server-<device>-<inode of the prefix>.
    local socket
    socket=server-$(stat -c '%D' "$WINEPREFIX")-$(printf '%x' "$(stat -c '%i' "$WINEPREFIX")")
    rm -rf /tmp/wine-*/"$socket" 2>/dev/null
    find /tmp -maxdepth 1 -name 'wine-*' -user "$(id -u)" -type d -empty -delete 2>/dev/null
    rm -rf "$WINE_HOME"
    WINE_HOME=
}
