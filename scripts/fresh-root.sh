#!/usr/bin/env bash
# Tries the README's set-up as a stranger would on a new Debian 12 machine: a
# fresh root (debootstrap minbase), a normal user with sudo and a password, a
# git clone of this checkout's HEAD without ../shared beside it; then, as that
# user, ./run (the login dialog must appear on a display of this script's)
# and ./test, with sudo's password typed on a pseudo-terminal whenever sudo
# asks. Prints each command's time, exit status and how often sudo asked,
# apt's sizes, the build folders' sizes and what was left outside the
# checkout, then removes the root and its mounts. Needs root and Debian's
# archive; not part of ./test (30 minutes and more).
#
#   sudo scripts/fresh-root.sh [--twice]   --twice: ./test once more, warm
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "Als root ausführen (debootstrap, chroot, mount)." >&2; exit 1; }
twice=0
case ${1:-} in
--twice) twice=1 ;;
"") ;;
*) echo "Unbekannte Option: $1" >&2; exit 2 ;;
esac
. scripts/packages.sh
ensure_packages debootstrap git xvfb xdotool x11-apps
command -v python3 >/dev/null || ensure_packages python3
. scripts/debian-root.sh

user=anna
password=$(head -c 12 /dev/urandom | base64 | tr -d '/+=')
home=/home/$user
report=build/fresh-root
mkdir -p "$report"
rm -f "$report"/*.log "$report"/*.png
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    remove_root
    hand_build_to_owner
}
trap cleanup EXIT

# Runs a shell line as the user on a pseudo-terminal, typing the password
# whenever sudo asks for it; the output goes to the screen and to LOG, the
# times sudo asked (seconds after the start) to LOG.sudo.
on_terminal() {
    local log=$1 line=$2
    FRESH_PASSWORD=$password python3 - "$log" chroot "$ROOT" /usr/bin/env -i \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin su - "$user" --session-command "$line" <<'PY'
import os, pty, re, sys, time
log_name, argv = sys.argv[1], sys.argv[2:]
password = os.environ.pop("FRESH_PASSWORD").encode() + b"\n"
start = time.monotonic()
pid, fd = pty.fork()
if pid == 0:
    os.execvp(argv[0], argv)
asked, tail = [], b""
with open(log_name, "wb") as log:
    while True:
        try:
            data = os.read(fd, 65536)
        except OSError:
            break
        if not data:
            break
        sys.stdout.buffer.write(data)
        sys.stdout.flush()
        log.write(data)
        tail = (tail + data)[-300:]
        if re.search(rb"\[sudo\][^\n]*: ?$", tail):
            asked.append(time.monotonic() - start)
            os.write(fd, password)
            tail = b""
_, status = os.waitpid(pid, 0)
with open(log_name + ".sudo", "w") as out:
    out.write(" ".join("%.0f" % t for t in asked))
sys.exit(os.waitstatus_to_exitcode(status))
PY
}

sudo_asked() {
    local times
    times=$(cat "$1.sudo" 2>/dev/null)
    [ -n "$times" ] && echo "sudo fragte $(wc -w <<<"$times")-mal, nach $(sed 's/ / s, /g' <<<"$times") s" ||
        echo "sudo fragte nicht"
}

apt_sizes() {
    grep -aoE "After this operation, [0-9.,]+ [kMG]B of additional disk space|Need to get [0-9.,]+ [kMG]B[^.]*" "$1" |
        sed 's/^/    apt: /' || echo "    apt: nichts installiert"
}

minutes() { printf '%d min %02d s' $(($1 / 60)) $(($1 % 60)); }

started=$(date +%s)
make_root
echo "== the root: $(($(date +%s) - started)) s"
in_root apt-get update -q >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends git ca-certificates >/dev/null
add_user "$user" "$password"
git clone -q --no-local "$PWD" "$ROOT$home/tolvan"
in_root chown -R "$user:" "$home/tolvan"
touch "$ROOT/tmp/.fresh-root-start"
sleep 1

# ./run: on a display of this script's (the root shares the machine's
# abstract sockets, so the display is reached without a package in the root).
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$report/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$report/display" ] && break; sleep 0.05; done
display=:$(cat "$report/display")
echo "== ./run (as $user, LANG=de_DE.UTF-8, DISPLAY=$display)"
begin=$(date +%s)
on_terminal "$report/run.log" "cd tolvan && LANG=de_DE.UTF-8 DISPLAY=$display ./run" &
run_pid=$!
shown=0
while kill -0 "$run_pid" 2>/dev/null; do
    if DISPLAY=$display xdotool search --onlyvisible --name '^TOLVAN Benutzeranmeldung$' >/dev/null 2>&1; then
        shown=1
        break
    fi
    sleep 1
done
run_time=$(($(date +%s) - begin))
if [ $shown = 1 ]; then
    sleep 1
    DISPLAY=$display xwd -root -silent >"$report/run.xwd" 2>/dev/null || true
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$ROOT" ] &&
            [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = tolvan-dravonik ] && kill "$pid"
    done
fi
run_status=0
wait "$run_pid" || run_status=$?
kill "$xvfb_pid" 2>/dev/null
xvfb_pid=

echo "== ./test (as $user, LANG=de_DE.UTF-8)"
begin=$(date +%s)
test_status=0
on_terminal "$report/test.log" "cd tolvan && LANG=de_DE.UTF-8 ./test" || test_status=$?
test_time=$(($(date +%s) - begin))
if [ $twice = 1 ]; then
    echo "== ./test again, warm"
    begin=$(date +%s)
    warm_status=0
    on_terminal "$report/test-warm.log" "cd tolvan && LANG=de_DE.UTF-8 ./test" || warm_status=$?
    warm_time=$(($(date +%s) - begin))
fi

echo
echo "== Ergebnis ($(nproc) Kerne, Last beim Ende: $(cut -d' ' -f1-3 /proc/loadavg))"
echo "./run:  Anmeldedialog $([ $shown = 1 ] && echo erschienen || echo "NICHT erschienen") nach $(minutes "$run_time"); $(sudo_asked "$report/run.log")"
apt_sizes "$report/run.log"
echo "./test: Status $test_status nach $(minutes "$test_time"); $(sudo_asked "$report/test.log")"
apt_sizes "$report/test.log"
grep -aE "tests passed|tests failed|Windows-Teile" "$report/test.log" | sed 's/^/    /' | tr -d '\r' || true
if [ $twice = 1 ]; then
    echo "./test warm: Status $warm_status nach $(minutes "$warm_time"); $(sudo_asked "$report/test-warm.log")"
    grep -aE "tests passed|tests failed" "$report/test-warm.log" | sed 's/^/    /' | tr -d '\r' || true
fi
echo "Größen:"
(cd "$ROOT$home/tolvan" && du -sh build/* 2>/dev/null | sed 's/^/    /')
echo "    $(du -shx "$ROOT" 2>/dev/null | cut -f1) das ganze Wurzelverzeichnis"
echo "Außerhalb des Checkouts geblieben (neuer als der Start):"
left=$(cd "$ROOT" && find home tmp var/tmp dev/shm -xdev -newer tmp/.fresh-root-start \
    -not -path "home/$user/tolvan*" -not -name .fresh-root-start \( -type f -o -type s -o -type p \) 2>/dev/null)
if [ -n "$left" ]; then
    # Grouped by their folder, two levels below the home.
    sed -E "s|^(home/$user/[^/]+/[^/]+)/.*|\1/…|; s|^((tmp\|var/tmp\|dev/shm)/[^/]+)/.*|\1/…|" <<<"$left" |
        sort | uniq -c | while read -r count path; do
            echo "    /${path%/…}$([ "$count" -gt 1 ] && echo " ($count Dateien, $(du -sh "$ROOT/${path%/…}" | cut -f1))")"
        done
else
    echo "    nichts"
fi
echo "    Prozesse von $user: $(in_root pgrep -u "$user" -l | tr '\n' ' ' || true)"
foreign=$(awk '{print $2}' /proc/mounts | grep "^$ROOT/" | grep -vE "^$ROOT/(proc|sys|dev)(/|\$)" || true)
echo "    Einhängepunkte im Wurzelverzeichnis außer /proc, /sys, /dev: ${foreign:-keine}"
echo "    Dateien unter /etc, die keinem Paket gehören und seit dem Start entstanden:"
(cd "$ROOT" && find etc -xdev -type f -newer tmp/.fresh-root-start) | while read -r file; do
    in_root dpkg -S "/$file" >/dev/null 2>&1 || echo "      /$file"
done
if [ -s "$report/run.xwd" ] && [ -x /usr/bin/convert ] && /usr/bin/convert -version >/dev/null 2>&1; then
    /usr/bin/convert "$report/run.xwd" "$report/run.png" 2>/dev/null && rm -f "$report/run.xwd" &&
        echo "Bildschirm bei ./run: $report/run.png"
fi
[ $shown = 1 ] && [ $test_status = 0 ] && [ "${warm_status:-0}" = 0 ]
