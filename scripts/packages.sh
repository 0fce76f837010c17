# Debian packages the project needs, and a function that installs the missing ones.
# Sourced by ./run and ./test.

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev
                libsqlite3-dev sqlite3 libpq-dev)
RUN_PACKAGES=(qt6-translations-l10n fonts-liberation fonts-dejavu-core)
TEST_PACKAGES=(postgresql-15 postgresql-client-15 xvfb xdotool x11-xkb-utils x11-utils openbox)

ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "Missing Debian packages: ${missing[*]}" >&2
            echo "Install them as root: apt-get install ${missing[*]}" >&2
            exit 1
        fi
    fi
    echo "Installing Debian packages: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}
