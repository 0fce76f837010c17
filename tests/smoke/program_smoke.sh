#!/usr/bin/env bash
# Starts the real program in a real window under Xvfb on a fresh demo database:
# the login dialog appears, the user logs in, the main window carries firm,
# branch and name in its title; F1 opens the about box, Esc closes it,
# Datei > Beenden ends the program with status 0. Then the login from the
# command line, and a command-line login that is refused ends with status 1;
# an error before the event loop runs ends with status 1 too. Last, under the
# openbox window manager: the list height and the window placement with frames,
# and the fixed dialogs that do not stay minimized.
set -euo pipefail
program=$1
tolvan_db=$2
framed_windows=$3
work=$(mktemp -d)
xvfb_pid=
program_pid=
wm_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The program sees only this test's own home, settings and database, from
# its first start on, and every start has a time bound.
export HOME="$work" XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/.config" XDG_CONFIG_DIRS="$work/system-config"
export XDG_DATA_HOME="$work/.local/share" XDG_CACHE_HOME="$work/.cache"
export TOLVAN_DATABASE="$work/tolvan.db"
bounded=(timeout --kill-after=5 120)

# A display number no X server on this machine answers to (no socket file,
# no abstract socket, no lock file).
free_display() {
    local number
    for number in $(seq 77 400); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] ||
            grep -q "@/tmp/.X11-unix/X$number\$" /proc/net/unix || { echo ":$number"; return 0; }
    done
    echo "no free display number" >&2
    return 1
}

# Without a display: a German word on what is needed, status 1.
no_display=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${bounded[@]}" "$program" 2>&1) && {
    echo "started without a display"; exit 1; }
grep -q "braucht eine grafische Sitzung" <<<"$no_display" || { echo "$no_display"; exit 1; }
# … naming the program as called, so that the command works from where the user is.
grep -qF "schreibt \"$program --export DATEI" <<<"$no_display" || { echo "$no_display"; exit 1; }
relative=$(cd "$(dirname "$program")" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "${bounded[@]}" "./$(basename "$program")" 2>&1) && { echo "started without a display"; exit 1; }
grep -qF "schreibt \"$program --export DATEI" <<<"$relative" ||
    { echo "a relative call is not named by its whole path: $relative"; exit 1; }
# A display that names no server: the same, not Qt's abort.
status=0
no_server=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$(free_display)" "${bounded[@]}" "$program" 2>&1) || status=$?
[ "$status" -eq 1 ] && grep -q "braucht eine grafische Sitzung" <<<"$no_server" ||
    { echo "$no_server (status $status)"; exit 1; }

Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")
export QT_QPA_PLATFORM=xcb
"$tolvan_db" demo --database "$TOLVAN_DATABASE" >/dev/null
setxkbmap de 2>/dev/null || true

start() {
    : >"$work/out"
    "${bounded[@]}" "$program" "$@" >"$work/out" 2>&1 &
    program_pid=$!
}
. "$(dirname "$0")/../support/xwindow.sh"
finish() {
    local status=0
    timeout 20 tail --pid="$program_pid" -f /dev/null || { echo "the program did not end"; exit 1; }
    wait "$program_pid" || status=$?
    program_pid=
    cat "$work/out"
    echo "program ended with status $status"
    [ "$status" -eq "$1" ] || { echo "expected status $1"; exit 1; }
}
expect_title() {
    local title
    title=$(xdotool getwindowname "$1")
    [ "$title" = "$2" ] || { echo "title: '$title', expected '$2'"; exit 1; }
}
# Datei > Beenden: the program ends with status 0.
quit_by_menu() {
    xdotool windowfocus --sync "$1"
    xdotool key alt+d
    sleep 0.3
    xdotool key b
    finish 0
}
title='TOLVAN Dravonik-Export              Firma: 1     Filiale: 0     Benutzer:  Erika Musterfrau'

# First start: the login dialog, the focus in the password field.
start
login=$(window '^TOLVAN Benutzeranmeldung$')
echo "login dialog: $login"
xdotool windowfocus --sync "$login"
xdotool type --delay 20 'demo'
xdotool key Tab
xdotool type --delay 20 'demo'
xdotool key Return
main=$(window '^TOLVAN Dravonik-Export ')
echo "main window: $main"
expect_title "$main" "$title"
xdotool windowfocus --sync "$main"
xdotool key F1
about=$(window '^Info zu TOLVAN Rizidadidir Idirida$')
echo "about box: $about"
xdotool windowfocus --sync "$about"
xdotool key Escape
for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Info zu TOLVAN' >/dev/null 2>&1 || break
    sleep 0.05
done
if xdotool search --onlyvisible --name '^Info zu TOLVAN' >/dev/null 2>&1; then
    echo "the about box did not close"; exit 1
fi
quit_by_menu "$main"
grep -q '^Name=DEMO$' "$work/.config/TOLVAN/Cache Login.ini" || { echo "name not stored"; exit 1; }

# Second start: the stored login is used without a dialog.
start
main=$(window '^TOLVAN Dravonik-Export ')
expect_title "$main" "$title"
quit_by_menu "$main"

# The login from the command line; a refused one is reported once and ends with 1.
start 1 0 DEMO demo
main=$(window '^TOLVAN Dravonik-Export ')
expect_title "$main" "$title"
quit_by_menu "$main"
start 1 0 DEMO falsch
refused=$(window '^Anmeldung an Caché\.$')
xdotool windowfocus --sync "$refused"
xdotool key Return
finish 1

# An error at start, before the event loop runs (the settings cannot be stored):
# reported, and the program ends with status 1.
rm -rf "$work/.config"
mkdir -p "$work/.config"
touch "$work/.config/TOLVAN"
start
login=$(window '^TOLVAN Benutzeranmeldung$')
xdotool windowfocus --sync "$login"
xdotool key Return
error=$(window '^TOLVAN Dravonik-Export$')
xdotool windowfocus --sync "$error"
xdotool key Return
finish 1

# With a window manager: frames come after the first resize.
openbox >/dev/null 2>&1 &
wm_pid=$!
for _ in $(seq 200); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
rm -rf "$work/.config"
"${bounded[@]}" "$framed_windows"

# Under openbox, which offers to minimize any dialog: the login dialog and the
# about box cannot be maximized, and minimized they show themselves again.
stays_on_screen() {
    local actions state
    actions=$(xprop -id "$1" _NET_WM_ALLOWED_ACTIONS)
    grep -q MAXIMIZE <<<"$actions" && { echo "$2 can be maximized: $actions"; exit 1; }
    xdotool windowminimize "$1"
    for _ in $(seq 100); do
        state=$(xprop -id "$1" WM_STATE 2>/dev/null || true)
        grep -q 'window state: Normal' <<<"$state" && xwininfo -id "$1" | grep -q IsViewable && return 0
        sleep 0.05
    done
    echo "$2 stayed minimized: $state"
    exit 1
}
rm -rf "$work/.config"
start
login=$(window '^TOLVAN Benutzeranmeldung$')
stays_on_screen "$login" "the login dialog"
xdotool windowfocus --sync "$login"
xdotool type --delay 20 'demo'
xdotool key Tab
xdotool type --delay 20 'demo'
xdotool key Return
main=$(window '^TOLVAN Dravonik-Export ')
xdotool windowfocus --sync "$main"
xdotool key F1
about=$(window '^Info zu TOLVAN Rizidadidir Idirida$')
stays_on_screen "$about" "the about box"
xdotool windowfocus --sync "$about"
xdotool key Escape
quit_by_menu "$main"

# The windows come from the module beside the program or, as installed, from
# ../lib/tolvan-dravonik-export; without it the program says so and ends with 1.
alone=$work/alone
mkdir -p "$alone/bin" "$alone/lib/tolvan-dravonik-export"
cp "$program" "$alone/bin/"
status=0
missing=$("${bounded[@]}" "$alone/bin/$(basename "$program")" 2>&1) || status=$?
[ "$status" -eq 1 ] && grep -q "Das Modul der Fenster fehlt" <<<"$missing" ||
    { echo "without its module: $missing (status $status)"; exit 1; }
cp "$(dirname "$program")/tolvan-dravonik-export-gui.so" "$alone/lib/tolvan-dravonik-export/"
rm -rf "$work/.config"
program=$alone/bin/$(basename "$program")
start
login=$(window '^TOLVAN Benutzeranmeldung$')
[ -n "$login" ] || { echo "the installed layout shows no login dialog"; exit 1; }
xdotool windowfocus --sync "$login"
xdotool key Escape
finish 0
