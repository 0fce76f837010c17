#!/usr/bin/env bash
# Builds the Debian package build/tolvan-dravonik-export_<version>_amd64.deb
# with dpkg-buildpackage from a copy of the checkout, then checks it: lintian
# (no errors), the menu entry, the AppStream metadata and the systemd units
# as installed by the package.
#
#   scripts/package-deb.sh          build and check
#   scripts/package-deb.sh --check  check the package built before
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh

build_it=1
case ${1:-} in
--check) build_it=0 ;;
"") ;;
*) echo "Unbekannte Option: $1" >&2; exit 2 ;;
esac

ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
ensure_writable_build build/deb build/ccache
use_ccache
trap hand_build_to_owner EXIT

version=$(dpkg-parsechangelog -l debian/changelog -S Version)
project_version=$(sed -n 's/^project(.* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ "$version" != "$project_version" ]; then
    echo "debian/changelog nennt $version, CMakeLists.txt $project_version." >&2
    exit 1
fi
deb=build/tolvan-dravonik-export_${version}_amd64.deb

if [ $build_it = 1 ]; then
    # dpkg-buildpackage writes beside the source folder: a copy of the
    # checkout (what git would commit, also uncommitted changes) under build/deb.
    source=build/deb/tolvan-dravonik-export-$version
    rm -rf build/deb
    mkdir -p "$source"
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -z --cached --others --exclude-standard |
            xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
            tar --null -T - -cf - | tar -C "$source" -xf -
    else
        tar --exclude=./build --exclude=./.git -cf - . | tar -C "$source" -xf -
    fi
    echo "dpkg-buildpackage (Protokoll: build/deb/build.log) …"
    # No separate debug-symbol package; the tests are ./test's.
    if ! (cd "$source" && DEB_BUILD_OPTIONS="noautodbgsym nocheck ${DEB_BUILD_OPTIONS:-}" \
        dpkg-buildpackage -b -us -uc) >build/deb/build.log 2>&1; then
        tail -40 build/deb/build.log >&2
        exit 1
    fi
    mv "build/deb/$(basename "$deb")" "$deb"
fi
[ -f "$deb" ] || { echo "$deb fehlt: zuerst scripts/package-deb.sh" >&2; exit 1; }

echo "lintian $deb"
# lintian leaves a database file in its temporary folder now and then: one under build/.
mkdir -p build/deb/tmp
TMPDIR=$PWD/build/deb/tmp lintian --fail-on error "$deb"

root=build/deb/root
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null

# systemd-analyze checks that the ExecStart program and the Documentation
# page exist: the unit is checked where the package's files are unpacked.
units=build/deb/units
rm -rf "$units" && mkdir -p "$units/runtime" && chmod 700 "$units/runtime"
sed "s|/usr/bin/|$PWD/$root/usr/bin/|" "$root/usr/lib/systemd/user/tolvan-export@.service" \
    >"$units/tolvan-export@.service"
cp "$root/usr/lib/systemd/user/tolvan-export@.timer" "$units/"
(cd "$units" && MANPATH="$OLDPWD/$root/usr/share/man" XDG_RUNTIME_DIR="$PWD/runtime" \
    systemd-analyze verify --user tolvan-export@.service tolvan-export@.timer)

echo "$deb: $(du -k "$deb" | cut -f1) KiB, installiert $(dpkg-deb -f "$deb" Installed-Size) KiB; lintian, desktop-file-validate, appstreamcli und systemd-analyze ohne Fehler."
