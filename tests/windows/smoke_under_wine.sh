#!/usr/bin/env bash
# The Windows program in a real window under Xvfb through wine, as a user at a
# branch would use it: the login dialog, DEMO/demo, the titled main window,
# supplier 100, "Aktualisieren", "Datei erzeugen" into a file whose bytes equal
# the export without a window of the Linux program. Optionally a screenshot.
#
#   smoke_under_wine.sh WINDOWS_PROGRAM LINUX_PROGRAM LINUX_TOLVAN_DB [SCREENSHOT.png]
#
# Needs a started wine prefix (scripts/wine.sh).
set -euo pipefail
program=$1 linux_program=$2 linux_db=$3 screenshot=${4:-}
work=$(mktemp -d /tmp/tolvan-wine-smoke.XXXXXX)
xvfb_pid= program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
. "$(dirname "$0")/../support/xwindow.sh"

Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")
unset WINEQT_QPA_PLATFORM
# The prefix's desktop was made without a display by the tests before: end
# its processes, so that the next program makes one on this display.
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -w 2>/dev/null || true

database=$work/demo.db
"$linux_db" demo --database "$database" >/dev/null
TOLVAN_DATABASE=$database "$linux_program" --export "$work/linux.csv" --supplier 100 \
    --location 'Regal 7' 1 0 DEMO demo 2>/dev/null

# A first start: no stored login, so the login dialog appears.
wine reg delete 'HKCU\Software\TOLVAN' /f >/dev/null 2>&1 || true

started=$(date +%s.%N)
TOLVAN_DATABASE=$(winepath -w "$database") wine "$program" >"$work/out" 2>&1 &
program_pid=$!

login=$(window '^TOLVAN Benutzeranmeldung$' 60) || { cat "$work/out"; fail "no login dialog"; }
echo "login dialog after $(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
xdotool windowfocus --sync "$login"
xdotool type --delay 30 'demo'
xdotool key Tab
xdotool type --delay 30 'demo'
xdotool key Return
main=$(window '^TOLVAN Dravonik-Export ' 60) || fail "no main window after the login"
title=$(xdotool getwindowname "$main")
[ "$title" = 'TOLVAN Dravonik-Export              Firma: 1     Filiale: 0     Benutzer:  Erika Musterfrau' ] ||
    fail "title: '$title'"

# Supplier 100, leave the field (its name appears), the location, Enter refreshes.
xdotool windowfocus --sync "$main"
xdotool key ctrl+a
xdotool type --delay 30 '100'
xdotool key shift+Tab
sleep 1
xdotool key ctrl+a
xdotool type --delay 30 'Regal 7'
xdotool key Return
sleep 2
[ -n "$screenshot" ] && import -window "$main" "$screenshot"

# "Datei erzeugen" (two steps back in the tab order), the Save dialog, a file name.
xdotool key shift+Tab shift+Tab space
save=$(window '^(Speichern unter|Save As|Datei speichern)' 60) || fail "no Save dialog"
xdotool windowfocus --sync "$save"
sleep 1
# The proposed ".csv" replaced by a whole path without an extension. Qt's own
# dialog (and Windows' common dialog, asked for no default extension) keeps
# the name as typed; wine's common dialog adds the filter's ".csv": the file's
# name shows that the system's dialog was shown.
xdotool key ctrl+a
xdotool type --delay 20 "$(winepath -w "$work")\\window"
xdotool key Return
for _ in $(seq 100); do [ -s "$work/window.csv" ] || [ -s "$work/window" ] && break; sleep 0.1; done
[ -e "$work/window" ] && fail "Qt's own Save dialog, not the system's"
cmp "$work/linux.csv" "$work/window.csv" || fail "the window's export differs from the Linux program's"

# Datei > Beenden.
xdotool windowfocus --sync "$main"
xdotool key alt+d
sleep 0.5
xdotool key b
timeout 30 tail --pid="$program_pid" -f /dev/null || fail "the program did not end"
status=0
wait "$program_pid" || status=$?
program_pid=
[ "$status" = 0 ] || { cat "$work/out"; fail "the program ended with status $status"; }
echo "smoke under wine: login, title, supplier, refresh, export ($(wc -c <"$work/window.csv") bytes, equal), quit"
