# What the Windows build needs besides mingw-w64: Qt for Windows, SQLite and libpq,
# each built once per machine from Debian's own source packages and kept by version
# in a cache folder. Sourced by scripts/windows-build.sh; WIN_DEPS names the cache.
#
#   Qt:     a prebuilt archive where one is given (TOLVAN_QT_MINGW_ARCHIVE, or the
#           shared folder beside the checkout), else built from qt6-base's source
#           (about an hour on 2 cores, once).
#   SQLite: the amalgamation of Debian's sqlite3 source, a static library.
#   libpq:  src/interfaces/libpq of Debian's postgresql-15 source, a DLL, without
#           OpenSSL, readline, zlib and ICU.

WIN_DEPS=${TOLVAN_WIN_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/tolvan/win64}
WIN_TOOLCHAIN=$PWD/cmake/mingw64-posix.cmake
WIN_HOST=x86_64-w64-mingw32

installed_version() {
    dpkg-query -W -f='${Version}' "$1"
}

# apt-get source needs deb-src lines; add them beside the deb lines this machine uses.
ensure_deb_src() {
    grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
    local sudo=() sources=/etc/apt/sources.list.d/tolvan-deb-src
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    # The deb lines this machine has, in either format, as deb-src lines.
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sources=$sources.sources
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            "${sudo[@]}" tee "$sources" >/dev/null
    else
        sources=$sources.list
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list 2>/dev/null | "${sudo[@]}" tee "$sources" >/dev/null
    fi
    if ! grep -qs 'deb-src' "$sources"; then
        "${sudo[@]}" rm -f "$sources"
        echo "Keine deb-Zeilen gefunden, zu denen Quellpakete ergänzt werden könnten." >&2
        return 1
    fi
    echo "Quellpakete: deb-src-Zeilen in $sources ergänzt"
    "${sudo[@]}" apt-get update -q >/dev/null
}

# Unpacks Debian's source of PACKAGE into ./src, at VERSION where the mirror has it,
# else at the newest version it has (a security update's source may be missing);
# prints the version unpacked.
fetch_source() {
    ensure_deb_src || return 1
    local version
    for version in "$2" $(apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -rV); do
        if apt-get source -q --download-only "$1=$version" >/dev/null 2>&1; then
            # (the mirror's keyring is not installed: dpkg-source warns that it cannot check)
            dpkg-source -x "$(ls "$1"_*.dsc | head -n 1)" src >/dev/null 2>&1 || return 1
            echo "$version"
            return 0
        fi
        rm -f "$1"_*
    done
    echo "Die Quellen von $1 sind auf dem Paketspiegel nicht zu finden." >&2
    return 1
}

# Each library's folder in the cache is named by what built it: the recipe
# (the function's text), the cross compiler and the source version. Another
# recipe or compiler makes a new folder; an old one is never taken for it.
# A folder is built in a temporary folder beside and moved in only when
# complete: an interrupted build leaves nothing that looks finished.

# The name's tail for the recipe FUNCTION, the VERSION built and the compiler.
win_recipe_key() {
    { declare -f "$1"; echo "$2"; $WIN_HOST-gcc-posix --version 2>/dev/null | head -n 1; } |
        sha256sum | cut -c1-12
}

# Runs RECIPE STAGE [ARGS…] to fill a new temporary folder and moves it to
# PREFIX when RECIPE succeeded; else removes it, and PREFIX stays missing. The
# temporary folder carries the builder's process id: a leftover is removed
# only when its builder is gone, so two builds side by side (./test beside
# scripts/windows-build.sh) leave each other alone, and the first to finish
# serves both.
win_build_into() {
    local prefix=$1 recipe=$2
    shift 2
    mkdir -p "$(dirname "$prefix")" || return 1
    local stage=$prefix.incomplete.$BASHPID leftover
    for leftover in "$prefix".incomplete.*; do
        [ -d "$leftover" ] && ! kill -0 "${leftover##*.}" 2>/dev/null && rm -rf "$leftover"
    done
    rm -rf "$stage" && mkdir "$stage" || return 1
    if "$recipe" "$stage" "$@"; then
        if [ -e "$prefix" ] || mv -T "$stage" "$prefix"; then
            rm -rf "$stage"
            return 0
        fi
    fi
    rm -rf "$stage"
    return 1
}

WIN_QT_NAME=qt6-base-6.4.2

win_qt_archive() {
    echo "${TOLVAN_QT_MINGW_ARCHIVE:-$PWD/../shared/qt6-mingw/qt6-base-6.4.2-x86_64-w64-mingw32.tar.xz}"
}

win_qt_complete() {
    [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ]
}

# Where the Qt unpacked from the archive lives (named by its checksum), and
# where the one this recipe and compiler build (asked once they are installed).
win_qt_archive_prefix() {
    echo "$WIN_DEPS/$WIN_QT_NAME-archive-$(sha256sum "$(win_qt_archive)" | cut -c1-12)"
}
win_qt_built_prefix() {
    echo "$WIN_DEPS/$WIN_QT_NAME-built-$(win_recipe_key win_qt_build \
        "$(installed_version qt6-base-dev) $(sha256sum <scripts/qt6-mingw-configure.sh)")"
}

# Whether there is a Qt for Windows to build with: an archive, one built
# before (by any recipe: win_qt says when it is not this one's), or the order
# to build it (--build-qt). Asked before anything is installed, so that a
# machine without one installs no Windows tools.
win_qt_available() {
    [ -f "$(win_qt_archive)" ] || [ "${TOLVAN_BUILD_QT:-}" = 1 ] && return 0
    local built
    for built in "$WIN_DEPS/$WIN_QT_NAME"-built-*; do
        [[ $built == *.incomplete.* ]] || ! win_qt_complete "$built" || return 0
    done
    return 1
}

win_qt_missing_message() {
    echo "Kein Qt für Windows: weder $(win_qt_archive) noch ein früher gebautes unter $WIN_DEPS."
    echo "  TOLVAN_QT_MINGW_ARCHIVE=DATEI nennt ein Archiv; scripts/windows-build.sh --build-qt baut es"
    echo "  aus Debians qt6-base-Quellen (etwa eine Stunde auf 2 Kernen, einmal je Rechner)."
}

# Whether a Windows library will be built from Debian's source packages (it
# needs deb-src lines, which need root once): asked right after the packages
# are installed, while sudo still holds the password.
win_needs_sources() {
    if [ -f "$(win_qt_archive)" ]; then
        win_qt_complete "$(win_qt_archive_prefix)" || true
    else
        win_qt_complete "$(win_qt_built_prefix)" || return 0
    fi
    [ -f "$(win_sqlite_prefix)/lib/libsqlite3.a" ] || return 0
    [ -f "$(win_libpq_prefix)/bin/libpq.dll" ] || return 0
    return 1
}

win_qt() {
    local prefix archive
    archive=$(win_qt_archive)
    if [ -f "$archive" ]; then
        prefix=$(win_qt_archive_prefix)
        if ! win_qt_complete "$prefix"; then
            echo "Qt für Windows: $archive wird ausgepackt"
            win_build_into "$prefix" win_qt_unpack "$archive" ||
                { echo "Qt für Windows ließ sich nicht auspacken: $archive" >&2; return 1; }
        fi
    else
        prefix=$(win_qt_built_prefix)
        if win_qt_complete "$prefix"; then
            :
        elif [ "${TOLVAN_BUILD_QT:-}" = 1 ]; then
            echo "Qt für Windows wird aus Debians qt6-base-Quellen gebaut (etwa eine Stunde)"
            win_build_into "$prefix" win_qt_build ||
                { echo "Qt für Windows ließ sich nicht bauen." >&2; return 1; }
        elif win_qt_available; then
            echo "Das Qt für Windows unter $WIN_DEPS wurde mit einem anderen Rezept, Compiler oder" \
                "Quellstand gebaut; scripts/windows-build.sh --build-qt baut es für diesen neu." >&2
            return 1
        else
            win_qt_missing_message >&2
            return 1
        fi
    fi
    # Qt's German texts ("Ja", "Nein") are the same files on every platform: Debian's.
    if [ ! -f "$prefix/translations/qtbase_de.qm" ]; then
        mkdir -p "$prefix/translations"
        cp /usr/share/qt6/translations/qtbase_de.qm "$prefix/translations/"
    fi
    WIN_QT=$prefix
}

# Recipes: each fills the folder STAGE it is given and fails on any fault.
win_qt_unpack() {
    local stage=$1 archive=$2
    local work
    work=$(mktemp -d) || return 1
    tar -xJf "$archive" -C "$work" && [ -f "$work/qt6-mingw/lib/cmake/Qt6/qt.toolchain.cmake" ] &&
        cp -a "$work/qt6-mingw/." "$stage/"
    local status=$?
    rm -rf "$work"
    return $status
}

# (Qt's build writes the prefix into its files: it is configured for the
# final folder and installed into the stage.)
win_qt_build() {
    local stage=$1 prefix=${1%.incomplete.*}
    local work root=$PWD
    work=$(mktemp -d) || return 1
    if ! (cd "$work" && fetch_source qt6-base "$(installed_version qt6-base-dev)" >/dev/null &&
        mkdir build && cd build && QTSRC=$work/src PREFIX=$prefix "$root/scripts/qt6-mingw-configure.sh" &&
        cmake --build . && DESTDIR=$work/image cmake --install . &&
        cp -a "$work/image$prefix/." "$stage/") >"$work/qt-build.log" 2>&1; then
        tail -n 40 "$work/qt-build.log" >&2
        rm -rf "$work"
        return 1
    fi
    rm -rf "$work"
}

# The cache folder of library NAME that RECIPE builds from the installed
# version of PACKAGE.
win_library_prefix() { # NAME PACKAGE RECIPE
    local version
    version=$(installed_version "$2")
    echo "$WIN_DEPS/$1-$version-$(win_recipe_key "$3" "$version")"
}

# Sets VARIABLE to library NAME's cache folder, built first where FILE is
# missing in it.
win_library() { # VARIABLE NAME PACKAGE RECIPE FILE
    local prefix
    prefix=$(win_library_prefix "$2" "$3" "$4")
    if [ ! -f "$prefix/$5" ]; then
        echo "$2 $(installed_version "$3") für Windows wird gebaut"
        win_build_into "$prefix" "$4" "$(installed_version "$3")" ||
            { echo "$2 für Windows ließ sich nicht bauen." >&2; return 1; }
    fi
    printf -v "$1" %s "$prefix"
}

win_sqlite_prefix() { win_library_prefix sqlite3 libsqlite3-dev win_sqlite_build; }
win_sqlite() { win_library WIN_SQLITE sqlite3 libsqlite3-dev win_sqlite_build lib/libsqlite3.a; }

win_sqlite_build() {
    local stage=$1 version=$2
    local work
    work=$(mktemp -d) || return 1
    # (a subshell on the left of || ignores set -e: every step is checked)
    (
        cd "$work" && fetch_source sqlite3 "$version" >/dev/null &&
            mkdir bld && cd bld && ../src/configure >/dev/null && make -s sqlite3.c >/dev/null &&
            $WIN_HOST-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -c sqlite3.c &&
            $WIN_HOST-ar rcs libsqlite3.a sqlite3.o &&
            mkdir -p "$stage/lib" "$stage/include" &&
            cp libsqlite3.a "$stage/lib/" && cp sqlite3.h "$stage/include/"
    )
    local status=$?
    rm -rf "$work"
    return $status
}

# (libpq's import library is lib/libpq.a, its DLL bin/libpq.dll; built from the
# source of the installed version, or the newest the mirror has)
win_libpq_prefix() { win_library_prefix libpq libpq-dev win_libpq_build; }
win_libpq() { win_library WIN_LIBPQ libpq libpq-dev win_libpq_build bin/libpq.dll; }

# (configure wants zic, which is on root's PATH only, unless told where time
# zones are: libpq does not use them. It is configured for the final folder
# and installed into the stage.)
win_libpq_build() {
    local stage=$1 version=$2 prefix=${1%.incomplete.*}
    local work
    work=$(mktemp -d) || return 1
    (
        cd "$work" && version=$(fetch_source postgresql-15 "$version") && cd src &&
            ./configure --host=$WIN_HOST CC=$WIN_HOST-gcc-posix --without-readline --without-zlib \
                --without-icu --without-openssl --with-system-tzdata=/usr/share/zoneinfo \
                --prefix="$prefix" >"$work/build.log" 2>&1 &&
            make -s -C src/interfaces/libpq -j"$(nproc)" install DESTDIR="$work/image" \
                >>"$work/build.log" 2>&1 &&
            cp -a "$work/image$prefix/." "$stage/" &&
            cp src/include/postgres_ext.h src/include/pg_config_ext.h "$stage/include/" &&
            rm -f "$stage/lib/libpq.dll" && echo "$version" >"$stage/source-version" &&
            $WIN_HOST-strip --strip-unneeded "$stage/bin/libpq.dll"
    ) || { tail -n 20 "$work/build.log" >&2 2>/dev/null; rm -rf "$work"; return 1; }
    rm -rf "$work"
}

# Everything, or a one-line reason and status 1.
win_deps() {
    win_qt && win_sqlite && win_libpq
}
