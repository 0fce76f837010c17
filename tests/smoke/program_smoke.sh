#!/usr/bin/env bash
# Starts the real program in a real window under Xvfb: the main window appears,
# F1 opens the about box, Esc closes it, Datei > Beenden ends the program with status 0.
set -euo pipefail
program=$1
work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")
export QT_QPA_PLATFORM=xcb HOME="$work" XDG_RUNTIME_DIR="$work"

"$program" >"$work/out" 2>&1 &
program_pid=$!

window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1; }
main=$(window '^TOLVAN$')
echo "main window: $main"
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
xdotool windowfocus --sync "$main"
xdotool key alt+d
sleep 0.3
xdotool key b
status=0
timeout 20 tail --pid="$program_pid" -f /dev/null || { echo "the program did not end"; exit 1; }
wait "$program_pid" || status=$?
program_pid=
cat "$work/out"
echo "program ended with status $status"
exit "$status"
