# The Windows installer from build/win (or WIN_BUILD): the programs and exactly
# the DLLs they load, stripped, packed by NSIS into WIN_INSTALLER_DIR (build).
# Sourced by scripts/windows-build.sh; tests/windows/installer_under_wine.sh
# packs an older version of its own with pack_installer.

WIN_RUNTIME_DIRS=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)
WIN_PACKAGING=$(cd "$(dirname "${BASH_SOURCE[0]}")/../packaging/windows" && pwd)

# Copies the DLLs that FILE imports, and theirs, from Qt, libpq and mingw into STAGE;
# the system's own DLLs are found in none of these folders and stay out.
copy_imports() {
    local file=$1 stage=$2 dll found
    # (the names are case-insensitive: the linker writes LIBPQ.dll for libpq.dll)
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\tDLL Name: //p'); do
        [ -n "$(find "$stage" -maxdepth 1 -iname "$dll")" ] && continue
        found=$(find "$WIN_QT/bin" "$WIN_LIBPQ/bin" "${WIN_RUNTIME_DIRS[@]}" -maxdepth 1 -iname "$dll" | head -n 1)
        if [ -n "$found" ]; then
            cp "$found" "$stage/"
            copy_imports "$found" "$stage"
        fi
    done
}

make_installer() {
    local build=${WIN_BUILD:-build/win} version stage
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    stage=$build/stage
    rm -rf "$stage"
    mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats" "$stage/translations"
    cp "$build/main/tolvan-dravonik-export.exe" "$build/main/tolvan-dravonik-export-gui.dll" \
        "$build/server/tolvan-db.exe" "$stage/"
    [ -f "$build/main/tolvan-dravonik-export.com" ] && cp "$build/main/tolvan-dravonik-export.com" "$stage/"
    cp "$WIN_QT/plugins/platforms/qwindows.dll" "$stage/platforms/"
    cp "$WIN_QT/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
    cp "$WIN_QT/plugins/imageformats/qjpeg.dll" "$stage/imageformats/"
    cp /usr/share/qt6/translations/qtbase_de.qm "$stage/translations/"
    printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$stage/qt.conf"
    local file
    for file in "$stage"/*.exe "$stage"/*.com "$stage"/*.dll "$stage"/*/*.dll; do
        [ -f "$file" ] && copy_imports "$file" "$stage"
    done
    find "$stage" \( -name '*.exe' -o -name '*.com' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
    INSTALLER=${WIN_INSTALLER_DIR:-build}/TOLVAN-Dravonik-Export-$version-setup.exe
    pack_installer "$stage" "$version" "$INSTALLER" "$build/installer" || return 1
    echo "Installer: $INSTALLER ($(du -h "$INSTALLER" | cut -f1))"
}

# Packs every file in STAGE as version VERSION (as 1.0: major.minor) into the
# installer OUTFILE; its lists of files go into the folder LISTS.
pack_installer() {
    local stage lists version=$2 outfile f dir
    stage=$(realpath "$1")
    mkdir -p "$4"
    lists=$(realpath "$4")
    outfile=$(realpath -m "$3")
    # The installer lists each file, and the uninstaller removes exactly those.
    : >"$lists/files.nsh"
    : >"$lists/unfiles.nsh"
    while read -r f; do
        dir=$(dirname "$f")
        if [ "$dir" = . ]; then dir=; else dir=\\${dir//\//\\}; fi
        printf 'SetOutPath "$INSTDIR%s"\nFile "%s"\n' "$dir" "$stage/$f" >>"$lists/files.nsh"
        printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}" >>"$lists/unfiles.nsh"
    done < <(cd "$stage" && find . -type f -printf '%P\n' | sort)
    echo 'SetOutPath "$INSTDIR"' >>"$lists/files.nsh"
    while read -r dir; do
        printf 'RMDir "$INSTDIR\\%s"\n' "${dir//\//\\}" >>"$lists/unfiles.nsh"
    done < <(cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | sort -r)
    makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILES="$lists/files.nsh" \
        -DUNFILES="$lists/unfiles.nsh" -DOUTFILE="$outfile" "$WIN_PACKAGING/installer.nsi"
}
