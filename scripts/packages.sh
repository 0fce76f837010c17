# Debian packages the project needs, and a function that installs the missing ones.
# Sourced by ./run and ./test. Packages are installed as root (or through sudo);
# the build itself runs as the user.

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev
                libsqlite3-dev sqlite3 libpq-dev)
RUN_PACKAGES=(qt6-translations-l10n fonts-liberation fonts-dejavu-core)
TEST_PACKAGES=(postgresql-15 postgresql-client-15 xvfb xdotool x11-xkb-utils x11-utils openbox
               clang libclang-rt-14-dev)
# The Debian package and its checks.
PACKAGE_PACKAGES=(debhelper dpkg-dev scdoc lintian desktop-file-utils appstream systemd man-db)
# The Windows build (cross-compiled), its tests under wine and its installer.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis tcl dpkg-dev)

# How to install them without this script; without --no-install-recommends
# apt would bring about 900 MB.
install_hint() {
    echo "Als root installieren: apt-get install --no-install-recommends $*" >&2
}

ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Es fehlen Debian-Pakete: ${missing[*]}" >&2
            install_hint "${missing[@]}"
            exit 1
        fi
        sudo=(sudo)
        # sudo that refuses only shows its own refusal: say what to install.
        if ! sudo -v; then
            echo "Es fehlen Debian-Pakete, und sudo erlaubt die Installation nicht." >&2
            install_hint "${missing[@]}"
            exit 1
        fi
    fi
    # The tests start their own throwaway server: installing postgresql-15
    # must not create and enable a system cluster that runs at every boot.
    if [[ " ${missing[*]} " == *" postgresql-15 "* ]] && [ ! -e /etc/postgresql-common/createcluster.conf ]; then
        "${sudo[@]}" mkdir -p /etc/postgresql-common
        echo "create_main_cluster = false" | "${sudo[@]}" tee /etc/postgresql-common/createcluster.conf >/dev/null
    fi
    echo "Installing Debian packages (on a fresh Debian 12 apt reports 690 MB for ./run, 500 MB more for ./test):"
    echo "  ${missing[*]}"
    if ! "${sudo[@]}" apt-get update -q ||
        ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
            --no-install-recommends -o Dpkg::Progress-Fancy=0 "${missing[@]}"; then
        install_hint "${missing[@]}"
        exit 1
    fi
}

# A build folder that another user (root, after a run as root) owns cannot be
# written: say so, naming the first file that is in the way, instead of
# letting CMake fail without naming the cause.
ensure_writable_build() {
    local folder blocked
    for folder in "$@"; do
        [ -e "$folder" ] || continue
        blocked=$(find "$folder" ! -type l ! -writable -print -quit 2>/dev/null)
        [ -n "$blocked" ] || continue
        echo "$blocked gehört $(stat -c %U "$blocked") und ist für $(id -un) nicht beschreibbar." >&2
        echo "Abhilfe: sudo chown -R $(id -un): build   (oder: sudo rm -rf build)" >&2
        exit 1
    done
}

# Run as root for a user's checkout (sudo ./run, sudo ./test): everything
# under build/ (builds, fuzz inputs, the tests' home and records) belongs to
# the checkout's owner afterwards, so the user's next run can write it.
hand_build_to_owner() {
    [ "$(id -u)" -eq 0 ] && [ -d build ] && chown -R --reference=. build 2>/dev/null || true
}
