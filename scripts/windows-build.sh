#!/usr/bin/env bash
# The Windows programs, cross-compiled on Debian with mingw-w64 into build/win.
#
#   scripts/windows-build.sh              builds the programs and their tests
#   scripts/windows-build.sh --installer  … and build/TOLVAN-Dravonik-Export-<version>-setup.exe
#   scripts/windows-build.sh --test       … and runs the tests under wine (./test does)
#   scripts/windows-build.sh --build-qt   builds Qt for Windows from Debian's source first
#                                         (about an hour, once per machine) when no prebuilt
#                                         Qt is given (TOLVAN_QT_MINGW_ARCHIVE)
#
# Exit status 3: no Qt for Windows (said before anything is installed); any other
# failure, a Qt archive that does not unpack among them, is status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
. scripts/windows-deps.sh

installer=0 run_tests=0
for option in "$@"; do
    case $option in
    --installer) installer=1 ;;
    --test) run_tests=1 installer=1 ;;
    --build-qt) export TOLVAN_BUILD_QT=1 ;;
    *) echo "Unbekannte Option: $option" >&2; exit 2 ;;
    esac
done

if ! win_qt_available; then
    win_qt_missing_message >&2
    exit 3
fi
packages=("${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}")
[ $run_tests = 1 ] && packages+=("${TEST_PACKAGES[@]}")
PACKAGES_ESTIMATE="etwa 1.1 GB für die Windows-Werkzeuge" ensure_packages "${packages[@]}"
if win_needs_sources; then ensure_deb_src || exit 1; fi
win_qt && win_sqlite && win_libpq || exit 1

ensure_writable_build build/win
trap hand_build_to_owner EXIT
# A build configured with other libraries (their cache folders are named by
# what built them) starts afresh: CMake reads the toolchain only once.
if [ -f build/win/CMakeCache.txt ] && ! grep -qF "$WIN_QT/" build/win/CMakeCache.txt; then
    rm -rf build/win/CMakeCache.txt build/win/CMakeFiles
fi
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$WIN_QT/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$WIN_TOOLCHAIN" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DSQLite3_INCLUDE_DIR="$WIN_SQLITE/include" -DSQLite3_LIBRARY="$WIN_SQLITE/lib/libsqlite3.a" \
    -DPostgreSQL_INCLUDE_DIR="$WIN_LIBPQ/include" -DPostgreSQL_LIBRARY="$WIN_LIBPQ/lib/libpq.a" \
    -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/wine >/dev/null
cmake --build build/win

if [ $installer = 1 ]; then
    . scripts/windows-installer.sh
    make_installer
fi
if [ $run_tests = 1 ]; then
    . scripts/wine.sh
    . scripts/postgres.sh
    trap 'stop_wine; stop_postgres; hand_build_to_owner' EXIT
    start_postgres
    start_wine
    ctest --test-dir build/win --output-on-failure -j2
    # The same tree's Linux programs: ./test's build, else the release build.
    linux=build/test
    if [ ! -x $linux/main/tolvan-dravonik-export ]; then
        linux=build/release
        cmake -S . -B $linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build $linux --target tolvan-dravonik-export tolvan-db
    fi
    tests/windows/program_under_wine.sh $linux/main/tolvan-dravonik-export $linux/server/tolvan-db build/win
    tests/windows/installer_under_wine.sh "$INSTALLER"
    tests/windows/smoke_under_wine.sh build/win/main/tolvan-dravonik-export.exe \
        $linux/main/tolvan-dravonik-export $linux/server/tolvan-db
fi
