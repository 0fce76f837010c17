#!/bin/sh
# Configures Qt for Windows (qtbase only) from Debian's qt6-base source.
# Run from an empty build folder; QTSRC = unpacked source, PREFIX = install folder.
# The modules and plugins the program uses; host tools from Debian's Qt.
exec "$QTSRC"/configure \
  -prefix "$PREFIX" \
  -qt-host-path /usr \
  -release -shared \
  -nomake examples -nomake tests \
  -no-opengl -no-dbus -no-icu \
  -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre \
  -no-feature-sql -no-feature-network -no-feature-xml -no-feature-concurrent \
  -no-feature-printsupport -no-feature-tabletevent -no-feature-direct2d1_1 \
  -no-feature-vulkan -no-feature-zstd \
  -- -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "$0")/.." && pwd)/cmake/mingw64-posix.cmake" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
