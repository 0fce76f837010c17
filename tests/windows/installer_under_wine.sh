#!/usr/bin/env bash
# The Windows installer under wine as an administrator uses it: silently into
# Program Files, again over itself, into another folder with /D= (the
# installation moves there and later updates follow it), over an older version
# whose files this one no longer ships, refused while a program of the
# installation runs, and removed by its uninstaller. Also the programs' version
# information, icon and manifest, and the Start-menu entries, "Demodaten anlegen"
# run twice.
#
#   installer_under_wine.sh INSTALLER [OLDER_INSTALLER...]
#
# The older version is packed here from a small stage of its own (makensis);
# each OLDER_INSTALLER, a released setup, is updated from as well. Needs a
# started wine prefix (scripts/wine.sh) without an installation in it.
# Prints "N passed, N failed".
set -uo pipefail
installer=$(realpath "$1")
shift
olders=("$@")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/windows-installer.sh"
. "$here/../../scripts/wine.sh"

work=$(mktemp -d /tmp/tolvan-wine-installer.XXXXXX)
listener_pid= program_pid= user_data= saved_user_data=
cleanup() {
    [ -n "$listener_pid" ] && kill "$listener_pid" 2>/dev/null
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    # The prefix's own demo database, if it had one, as it was.
    if [ -n "$user_data" ]; then
        rm -rf "$user_data"
        [ -n "$saved_user_data" ] && mv "$saved_user_data" "$user_data"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
. "$here/../support/checks.sh"
winpath() { winepath -w "$1" 2>/dev/null; }
# A Windows command line run from a batch file, so that it arrives as written
# (wine would quote each argument anew, and NSIS reads /D= and _?= only
# unquoted); cmd waits for it and keeps its exit status.
run() {
    printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$work/run.cmd"
    wine cmd /c "$(winpath "$work/run.cmd")" </dev/null 2>&1 | tr -d '\r'
    return "${PIPESTATUS[0]}"
}
is() { [ "$1" = "$2" ] || { echo "  \"$1\", not \"$2\"" >&2; return 1; }; }
contains() { grep -qF -- "$2" <<<"$1" || { echo "  no \"$2\" in: ${1:0:300}" >&2; return 1; }; }
same_list() { diff -u "$1" "$2" >&2; }

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TOLVAN-Dravonik-Export'
reg_value() { # NAME: the value in the uninstall key, empty without one
    wine reg query "$key" /v "$1" /reg:64 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 \+REG_[A-Z_]\+ \+//p"
}
# The entries listed under installed programs as ours.
entries() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:64 2>/dev/null |
        tr -d '\r' | grep -c 'DisplayName *REG_SZ *TOLVAN Dravonik-Export$'
}
files_in() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | sort); }
# The uninstaller copies itself to the temporary folder, starts the copy and
# returns at once: wait for the copy to end, for the folder to go and then the
# listing (the last thing it removes), a minute at most. (The copy may not
# show yet when the first call returns: the folder counts too.)
uninstall() { # FOLDER
    wine "$1/uninstall.exe" /S
    for _ in $(seq 600); do
        pgrep -u "$(id -u)" -f 'Un_[A-Z]\.exe' >/dev/null || [ -e "$1" ] || break
        sleep 0.1
    done
    for _ in $(seq 20); do
        [ -z "$(reg_value DisplayName)" ] && break
        sleep 0.5
    done
}
resources() { x86_64-w64-mingw32-windres -J coff -O rc -i "$1" 2>/dev/null; }

program_files=$(wine cmd /c 'echo %ProgramW6432%' 2>/dev/null | tr -d '\r')
default_win="$program_files\\TOLVAN\\Dravonik-Export"
default=$(winepath -u "$default_win" 2>/dev/null)
other_win='C:\TOLVAN Test\Dravonik'
other=$(winepath -u "$other_win" 2>/dev/null)
start_menu=$(winepath -u "$(wine cmd /c 'echo %ProgramData%' 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\TOLVAN")
user_data=$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')\\TOLVAN")
if [ -n "$(reg_value InstallLocation)" ]; then
    user_data=
    echo "FAIL: the prefix has an installation already" >&2
    exit 1
fi
if [ -e "$user_data" ]; then
    saved_user_data=$work/saved-user-data
    mv "$user_data" "$saved_user_data"
fi

# An older version: other files (Qt's SQL module and its plugin), and a lower version.
older=$work/older
mkdir -p "$older/stage/sqldrivers"
for f in tolvan-dravonik-export.exe tolvan-db.exe Qt6Core.dll Qt6Sql.dll sqldrivers/qsqlite.dll; do
    echo "the older $f" >"$older/stage/$f"
done
olders=("$older/TOLVAN-Dravonik-Export-0.1-setup.exe" "${olders[@]}")
pack_installer "$older/stage" 0.1 "${olders[0]}" "$older/lists" >/dev/null ||
    { echo "FAIL: the older version's installer could not be packed" >&2; exit 1; }

# --- a first installation, silently, into Program Files -----------------------------
wine "$installer" /S
check "install: exit status 0" is "$?" 0
for f in tolvan-dravonik-export.exe tolvan-dravonik-export.com tolvan-dravonik-export-gui.dll \
    tolvan-db.exe qt.conf platforms/qwindows.dll uninstall.exe; do
    check "install: $f in Program Files" test -f "$default/$f"
done
files_in "$default" >"$work/fresh.list"
check "install: InstallLocation" is "$(reg_value InstallLocation)" "$default_win"
check "install: one entry under installed programs" is "$(entries)" 1
version=$(reg_value DisplayVersion)
# EstimatedSize in KB, as the files add up.
estimated=$(($(reg_value EstimatedSize)))
bytes=$(find "$default" -type f -printf '%s\n' | awk '{ sum += $1 } END { print sum }')
bytes=${bytes:-1}
check "install: EstimatedSize $estimated KB for $bytes bytes" \
    test "$estimated" -gt 1000 -a $((estimated * 1024 * 100 / bytes)) -ge 95 -a $((estimated * 1024 * 100 / bytes)) -le 105
check "install: Start-menu entry for the program" \
    contains "$(strings -el "$start_menu/TOLVAN Dravonik-Export.lnk")" "$default_win"
demo_link=$(strings -el "$start_menu/Demodaten anlegen.lnk" 2>/dev/null)
check "install: Start-menu entry for the demo data" contains "$demo_link" "\"$default_win\\tolvan-db.exe\" demo"

# --- the programs' resources --------------------------------------------------------
for f in tolvan-dravonik-export.exe tolvan-dravonik-export.com tolvan-db.exe tolvan-dravonik-export-gui.dll; do
    rc=$(resources "$default/$f")
    check "$f: company" contains "$rc" 'VALUE "CompanyName", "TOLVAN"'
    check "$f: product" contains "$rc" 'VALUE "ProductName", "TOLVAN Dravonik-Export"'
    check "$f: the installer's version" contains "$rc" "VALUE \"FileVersion\", \"$version\""
    check "$f: description" contains "$rc" 'VALUE "FileDescription", '
    [ "$f" = tolvan-dravonik-export-gui.dll ] && continue
    check "$f: icon" contains "$rc" 'RT_GROUP_ICON'
    check "$f: manifest with the common controls 6" contains "$rc" 'Microsoft.Windows.Common-Controls'
    check "$f: manifest with sharp text on every monitor" contains "$rc" '>PerMonitorV2</dpiAwareness>'
done
check "the programs' descriptions differ" \
    test "$(for f in tolvan-dravonik-export.exe tolvan-dravonik-export.com tolvan-db.exe; do
        resources "$default/$f" | grep 'FileDescription'; done | sort -u | wc -l)" = 3

# --- "Demodaten anlegen", twice: the second leaves the database as it is -------------
demo_command=$(grep -o '/c .*tolvan-db\.exe.*' <<<"$demo_link")
# (cmd /c "…" as the shortcut's own cmd.exe reads the rest of its line)
demo() { run "cmd /c \"${demo_command#/c }\""; }
demo >"$work/demo1.out"
check "demo data: the user's database made" test -s "$user_data/tolvan.db"
check "demo data: the login named" contains "$(cat "$work/demo1.out")" "Anmeldung mit Personalcode"
cp "$user_data/tolvan.db" "$work/demo.db"
demo >"$work/demo2.out"
check "demo data again: the database unchanged" cmp -s "$user_data/tolvan.db" "$work/demo.db"
check "demo data again: said so" contains "$(cat "$work/demo2.out")" "enthält bereits Daten"

# --- a second installation over the first -----------------------------------------
wine "$installer" /S
check "second install: exit status 0" is "$?" 0
files_in "$default" >"$work/second.list"
check "second install: the same files" same_list "$work/fresh.list" "$work/second.list"
check "second install: one entry under installed programs" is "$(entries)" 1
check "second install: the user's database stays" cmp -s "$user_data/tolvan.db" "$work/demo.db"

# --- a program of the installation runs: nothing is changed ------------------------
# The export waits for the answer of a database server that never answers. It
# is killed in the end, and wine's server may fail then: what the installations
# wrote into the registry is saved first.
save_wine_registry
python3 -c '
import socket, time
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1)
print(server.getsockname()[1], flush=True)
connection, _ = server.accept()
print("connected", flush=True)
time.sleep(600)
' >"$work/listener.out" &
listener_pid=$!
for _ in $(seq 100); do [ -s "$work/listener.out" ] && break; sleep 0.1; done
TOLVAN_SERVER=postgres wine "$default/tolvan-dravonik-export.exe" --export "$(winpath "$work")\\x.csv" \
    --supplier 100 --location X 1 0 DEMO demo 127.0.0.1 "$(head -n 1 "$work/listener.out")" >/dev/null 2>&1 &
program_pid=$!
for _ in $(seq 300); do grep -q connected "$work/listener.out" && break; sleep 0.1; done
check "the program runs" grep -q connected "$work/listener.out"
(cd "$default" && find . -type f -exec md5sum {} + | sort) >"$work/before.sums"
wine "$installer" /S
check "install while the program runs: refused" is "$?" 2
run "\"$default_win\\uninstall.exe\" /S _?=$default_win" >/dev/null
check "uninstall while the program runs: refused" is "$?" 2
(cd "$default" && find . -type f -exec md5sum {} + | sort) >"$work/after.sums"
check "refused: the installation unchanged" same_list "$work/before.sums" "$work/after.sums"
check "refused: still listed" is "$(reg_value InstallLocation)" "$default_win"
check "refused: the Start-menu entries stay" test -f "$start_menu/Demodaten anlegen.lnk"
# The program first, and the listening server only when wine has seen it end:
# the connection is not closed from its other end while its program is being
# killed.
kill "$program_pid"
wait "$program_pid" 2>/dev/null
wine cmd /c exit </dev/null >/dev/null 2>&1
kill "$listener_pid"
wait "$listener_pid" 2>/dev/null
program_pid= listener_pid=

# --- /D=: the installation moves to the folder given, and updates follow it ---------
run "\"$(winpath "$installer")\" /S /D=$other_win" >/dev/null
check "install /D=: exit status 0" is "$?" 0
files_in "$other" >"$work/other.list" 2>/dev/null
check "install /D=: all files there" same_list "$work/fresh.list" "$work/other.list"
check "install /D=: nothing left in Program Files" test ! -e "$default"
check "install /D=: InstallLocation" is "$(reg_value InstallLocation)" "$other_win"
check "install /D=: one entry under installed programs" is "$(entries)" 1
check "install /D=: the Start-menu entry follows" \
    contains "$(strings -el "$start_menu/TOLVAN Dravonik-Export.lnk")" "$other_win"
wine "$installer" /S
check "update without /D=: exit status 0" is "$?" 0
check "update without /D=: into the installed folder" test -f "$other/tolvan-dravonik-export.exe"
check "update without /D=: nothing in Program Files" test ! -e "$default"

# --- the uninstaller ----------------------------------------------------------------
uninstall "$other"
check "uninstall: no program files left" test ! -e "$other"
check "uninstall: no Start-menu entry left" test ! -e "$start_menu"
check "uninstall: not listed any more" is "$(entries)" 0
check "uninstall: the user's database stays" cmp -s "$user_data/tolvan.db" "$work/demo.db"

# --- updates from older versions: what they shipped and this one does not goes --------
for setup in "${olders[@]}"; do
    name=$(basename "$setup")
    wine "$setup" /S
    check "$name: installed" test -f "$default/uninstall.exe"
    [ "$setup" = "${olders[0]}" ] && check "$name: with Qt's SQL plugin" test -f "$default/sqldrivers/qsqlite.dll"
    wine "$installer" /S
    check "update from $name: exit status 0" is "$?" 0
    files_in "$default" >"$work/updated.list"
    check "update from $name: exactly the files of a new installation" \
        same_list "$work/fresh.list" "$work/updated.list"
    check "update from $name: the new version listed" is "$(reg_value DisplayVersion)" "$version"
    check "update from $name: one entry under installed programs" is "$(entries)" 1
    uninstall "$default"
done
check "at the end: nothing installed" test ! -e "$default" -a ! -e "$start_menu" -a "$(entries)" = 0

checks_done
