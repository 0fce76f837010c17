# Debian packages the project needs, and a function that installs the missing ones.
# Sourced by ./run, ./test and the scripts. Packages are installed as root (or
# through sudo, asked once, before anything is built); the build runs as the user.

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev
                libsqlite3-dev sqlite3 libpq-dev)
RUN_PACKAGES=(qt6-translations-l10n fonts-liberation fonts-dejavu-core)
TEST_PACKAGES=(postgresql-15 postgresql-client-15 xvfb xdotool x11-xkb-utils x11-utils openbox
               clang libclang-rt-14-dev ccache pgbouncer python3)
# The Debian package and its checks (dpkg-buildpackage checks for build-essential).
PACKAGE_PACKAGES=(build-essential debhelper dpkg-dev scdoc lintian desktop-file-utils appstream
                  systemd man-db)
# The Windows build (cross-compiled), its tests under wine and its installer.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis tcl dpkg-dev)

# How to install them without this script; without --no-install-recommends
# apt would bring about 900 MB for ./run alone.
install_hint() {
    echo "Als root installieren: apt-get install --no-install-recommends $*" >&2
}

missing_packages() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            echo "$package"
    done
}

# What apt would install for these packages, with their dependencies, in MB;
# nothing while the machine's package lists do not know them yet (a fresh
# root before its first apt-get update).
install_size_mb() {
    local plan
    plan=$(apt-get -s -q --no-install-recommends install "$@" 2>/dev/null) || return 0
    awk '/^Inst /{print $2}' <<<"$plan" | xargs -r apt-cache show --no-all-versions 2>/dev/null |
        awk '/^Installed-Size:/{kb += $2} END{if (kb) printf "%d\n", kb / 1024}'
}

# Installs the missing ones of the given packages in one apt-get call. Says
# first what is missing and how much apt will install; a caller that is not
# root is asked for the sudo password once, here, before any build step.
# The caller may set PACKAGES_ESTIMATE ("about 1.2 GB") for a machine whose
# package lists apt has not read yet.
ensure_packages() {
    local missing
    mapfile -t missing < <(missing_packages "$@")
    [ ${#missing[@]} -eq 0 ] && return 0
    local size
    size=$(install_size_mb "${missing[@]}")
    echo "Es fehlen ${#missing[@]} Debian-Pakete: ${missing[*]}"
    if [ -n "$size" ]; then
        echo "apt installiert sie mit ihren Abhängigkeiten: etwa $size MB."
    elif [ -n "${PACKAGES_ESTIMATE:-}" ]; then
        echo "Mit ihren Abhängigkeiten auf einem frischen Debian 12: $PACKAGES_ESTIMATE."
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Zum Installieren fehlt sudo." >&2
            install_hint "${missing[@]}"
            exit 1
        fi
        sudo=(sudo)
        if ! sudo -n true 2>/dev/null; then
            # sudo asks on the controlling terminal; a run without one would
            # only show sudo's own refusal.
            if ! { : </dev/tty; } 2>/dev/null && [ -z "${SUDO_ASKPASS:-}" ]; then
                echo "sudo braucht ein Terminal, um nach dem Passwort zu fragen, und dieser Lauf hat keines." >&2
                install_hint "${missing[@]}"
                exit 1
            fi
            echo "Zum Installieren fragt sudo jetzt einmal nach dem Passwort von $(id -un); danach läuft alles ohne Rückfrage."
            if ! sudo -v; then
                echo "sudo hat die Installation nicht erlaubt." >&2
                install_hint "${missing[@]}"
                exit 1
            fi
        fi
    fi
    # The tests start their own throwaway server: installing postgresql-15
    # must not create and enable a system cluster that runs at every boot.
    if [[ " ${missing[*]} " == *" postgresql-15 "* ]] && [ ! -e /etc/postgresql-common/createcluster.conf ]; then
        "${sudo[@]}" mkdir -p /etc/postgresql-common
        echo "create_main_cluster = false" | "${sudo[@]}" tee /etc/postgresql-common/createcluster.conf >/dev/null
    fi
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

# Compiler results kept under build/ccache (inside the checkout, so nothing is
# left elsewhere): the Debian package, built from a fresh copy every time, and
# a build folder made anew compile only what changed. For build folders
# configured from now on; without ccache nothing changes.
use_ccache() {
    command -v ccache >/dev/null 2>&1 || return 0
    export CCACHE_DIR=$PWD/build/ccache CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-3G}
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
}
