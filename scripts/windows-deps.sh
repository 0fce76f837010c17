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

WIN_QT_PREFIX=$WIN_DEPS/qt6-base-6.4.2

win_qt_archive() {
    echo "${TOLVAN_QT_MINGW_ARCHIVE:-$PWD/../shared/qt6-mingw/qt6-base-6.4.2-x86_64-w64-mingw32.tar.xz}"
}

# Whether there is a Qt for Windows to build with: one built or unpacked
# before, an archive, or the order to build it (--build-qt). Asked before
# anything is installed, so that a machine without one installs no Windows tools.
win_qt_available() {
    [ -f "$WIN_QT_PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" ] || [ -f "$(win_qt_archive)" ] ||
        [ "${TOLVAN_BUILD_QT:-}" = 1 ]
}

win_qt_missing_message() {
    echo "Kein Qt für Windows: weder $(win_qt_archive) noch ein früher gebautes unter $WIN_QT_PREFIX."
    echo "  TOLVAN_QT_MINGW_ARCHIVE=DATEI nennt ein Archiv; scripts/windows-build.sh --build-qt baut es"
    echo "  aus Debians qt6-base-Quellen (etwa eine Stunde auf 2 Kernen, einmal je Rechner)."
}

# Whether a Windows library will be built from Debian's source packages (it
# needs deb-src lines, which need root once): asked right after the packages
# are installed, while sudo still holds the password.
win_needs_sources() {
    [ -f "$WIN_QT_PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" ] || [ -f "$(win_qt_archive)" ] || return 0
    [ -f "$WIN_DEPS/sqlite3-$(installed_version libsqlite3-dev)/lib/libsqlite3.a" ] || return 0
    [ -f "$WIN_DEPS/libpq-$(installed_version libpq-dev)/bin/libpq.dll" ] || return 0
    return 1
}

win_qt() {
    local prefix=$WIN_QT_PREFIX
    [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ] || win_qt_unpack_or_build "$prefix" || return 1
    # Qt's German texts ("Ja", "Nein") are the same files on every platform: Debian's.
    if [ ! -f "$prefix/translations/qtbase_de.qm" ]; then
        mkdir -p "$prefix/translations"
        cp /usr/share/qt6/translations/qtbase_de.qm "$prefix/translations/"
    fi
    WIN_QT=$prefix
}

win_qt_unpack_or_build() {
    local prefix=$1
    local archive
    archive=$(win_qt_archive)
    local work
    work=$(mktemp -d)
    if [ -f "$archive" ]; then
        echo "Qt für Windows: $archive wird ausgepackt"
        mkdir -p "$WIN_DEPS" && rm -rf "$prefix" &&
            tar -xJf "$archive" -C "$work" && mv "$work/qt6-mingw" "$prefix" ||
            { rm -rf "$work" "$prefix"; echo "Qt für Windows ließ sich nicht auspacken." >&2; return 1; }
    elif [ "${TOLVAN_BUILD_QT:-}" = 1 ]; then
        echo "Qt für Windows wird aus Debians qt6-base-Quellen gebaut (etwa eine Stunde)"
        (cd "$work" && fetch_source qt6-base "$(installed_version qt6-base-dev)" >/dev/null) || return 1
        mkdir -p "$work/build"
        local root=$PWD
        (cd "$work/build" && QTSRC=$work/src PREFIX=$prefix "$root/scripts/qt6-mingw-configure.sh" &&
            cmake --build . && cmake --install .) >"$work/qt-build.log" 2>&1 ||
            { tail -n 40 "$work/qt-build.log" >&2; rm -rf "$work"; return 1; }
    else
        rm -rf "$work"
        win_qt_missing_message >&2
        return 1
    fi
    rm -rf "$work"
}

win_sqlite() {
    local version
    version=$(installed_version libsqlite3-dev)
    local prefix=$WIN_DEPS/sqlite3-$version
    [ -f "$prefix/lib/libsqlite3.a" ] && { WIN_SQLITE=$prefix; return 0; }
    echo "SQLite $version für Windows wird gebaut"
    local work
    work=$(mktemp -d)
    # (a subshell on the left of || ignores set -e: every step is checked)
    if ! (
        cd "$work" && fetch_source sqlite3 "$version" >/dev/null &&
            mkdir bld && cd bld && ../src/configure >/dev/null && make -s sqlite3.c >/dev/null &&
            $WIN_HOST-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -c sqlite3.c &&
            $WIN_HOST-ar rcs libsqlite3.a sqlite3.o &&
            mkdir -p "$prefix/lib" "$prefix/include" &&
            cp libsqlite3.a "$prefix/lib/" && cp sqlite3.h "$prefix/include/"
    ); then
        rm -rf "$work" "$prefix"
        echo "SQLite für Windows ließ sich nicht bauen." >&2
        return 1
    fi
    rm -rf "$work"
    WIN_SQLITE=$prefix
}

win_libpq() {
    local version
    version=$(installed_version libpq-dev)
    local prefix=$WIN_DEPS/libpq-$version
    # (libpq's import library is lib/libpq.a, its DLL bin/libpq.dll)
    [ -f "$prefix/bin/libpq.dll" ] && { WIN_LIBPQ=$prefix; return 0; }
    echo "libpq $version für Windows wird gebaut (aus der Quelle dieser Version oder der neuesten, die der Spiegel hat)"
    local work
    work=$(mktemp -d)
    # (configure wants zic, which is on root's PATH only, unless told where
    # time zones are: libpq does not use them)
    if ! (
        cd "$work" && version=$(fetch_source postgresql-15 "$version") && cd src &&
            ./configure --host=$WIN_HOST CC=$WIN_HOST-gcc-posix --without-readline --without-zlib \
                --without-icu --without-openssl --with-system-tzdata=/usr/share/zoneinfo \
                --prefix="$prefix" >"$work/build.log" 2>&1 &&
            make -s -C src/interfaces/libpq -j"$(nproc)" install >>"$work/build.log" 2>&1 &&
            cp src/include/postgres_ext.h src/include/pg_config_ext.h "$prefix/include/" &&
            rm -f "$prefix/lib/libpq.dll" && echo "$version" >"$prefix/source-version" &&
            $WIN_HOST-strip --strip-unneeded "$prefix/bin/libpq.dll"
    ); then
        tail -n 20 "$work/build.log" >&2 2>/dev/null
        rm -rf "$work" "$prefix"
        echo "libpq für Windows ließ sich nicht bauen." >&2
        return 1
    fi
    rm -rf "$work"
    WIN_LIBPQ=$prefix
}

# Everything, or a one-line reason and status 1.
win_deps() {
    win_qt && win_sqlite && win_libpq
}
