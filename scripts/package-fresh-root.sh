#!/usr/bin/env bash
# Tries the Debian package as a new machine would: a fresh Debian 12 root
# (debootstrap minbase), "apt-get install ./the.deb" there, then as a normal
# user tolvan-db demo, the export without a window (same bytes as the build
# folder's program), the program's login dialog under Xvfb started by the
# menu entry's Exec line, and "apt-get purge", which must leave none of the
# package's files. Needs root and the network to Debian's archive; about five
# minutes. Not part of ./test.
#
#   sudo scripts/package-fresh-root.sh [build/tolvan-dravonik-export_<version>_amd64.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
[ "$(id -u)" -eq 0 ] || { echo "Als root ausführen (debootstrap, chroot, mount)." >&2; exit 1; }
deb=${1:-$(ls build/tolvan-dravonik-export_*_amd64.deb 2>/dev/null | tail -1)}
[ -f "$deb" ] || { echo "Kein Paket: zuerst scripts/package-deb.sh" >&2; exit 1; }
ensure_packages debootstrap "${BUILD_PACKAGES[@]}"

. scripts/debian-root.sh
trap 'remove_root; hand_build_to_owner' EXIT
make_root
root=$ROOT
cp "$deb" "$root/tmp/"

echo "== apt-get install ./$(basename "$deb")"
in_root apt-get update -q >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")" >"$root/tmp/install.log" 2>&1 ||
    { tail -20 "$root/tmp/install.log"; exit 1; }
grep -E "^(Need to get|After this operation)" "$root/tmp/install.log" || true
in_root dpkg-query -W -f='${Installed-Size}\t${Package}\n' tolvan-dravonik-export
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends xvfb xdotool >/dev/null
add_user anna

echo "== tolvan-db demo, export without a window (as anna)"
as_user anna 'tolvan-db demo && TOLVAN_PASSWORD=demo tolvan-dravonik-export --export ~/lieferant100.csv --supplier 100 --location "Regal 7" 1 0 DEMO'
program=build/release/main/tolvan-dravonik-export
[ -x "$program" ] || cmake --build build/release --target tolvan-dravonik-export >/dev/null
work=$(mktemp -d)
cp "$root/home/anna/.local/share/TOLVAN/tolvan.db" "$work/"
HOME=$work TOLVAN_DATABASE=$work/tolvan.db TOLVAN_PASSWORD=demo \
    "$program" --export "$work/lieferant100.csv" --supplier 100 --location "Regal 7" 1 0 DEMO 2>/dev/null
cmp "$root/home/anna/lieferant100.csv" "$work/lieferant100.csv"
echo "gleiche Bytes wie $program ($(wc -c <"$work/lieferant100.csv") Bytes)"
rm -rf "$work"

echo "== the menu entry's Exec line under Xvfb"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/de.tolvan.DravonikExport.desktop")
as_user anna "Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>/tmp/display 2>/dev/null & xvfb=\$!
for i in \$(seq 100); do [ -s /tmp/display ] && break; sleep 0.05; done
export DISPLAY=:\$(cat /tmp/display)
$exec_line >/tmp/program.log 2>&1 & program=\$!
for i in \$(seq 50); do xdotool search --name 'TOLVAN Benutzeranmeldung' >/dev/null 2>&1 && break; sleep 0.2; done
xdotool search --name 'TOLVAN Benutzeranmeldung' >/dev/null && shown=1 || shown=0
kill \$program \$xvfb; wait
[ \$shown = 1 ] && echo 'Anmeldedialog gezeigt' || { cat /tmp/program.log; exit 1; }"

echo "== apt-get purge"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {sub(/^\./, "", $6); print $6}')
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q tolvan-dravonik-export >/dev/null
left=0
for file in $files; do [ -e "$root$file" ] && { echo "geblieben: $file"; left=1; }; done
[ $left = 0 ] && echo "alle $(wc -w <<<"$files") Dateien entfernt"
exit $left
