#!/usr/bin/env bash
# Cross-builds the unit tests for Windows into build-windows/ and runs them under Wine.
# Takes Qt for Windows from QT_WINDOWS_PREFIX, or unpacks the one in ../shared/qt-windows
# into build-windows-qt/. Installs its Debian packages.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh windows
bash scripts/deps.sh wine
if [ -z "${QT_WINDOWS_PREFIX:-}" ]; then
    QT_WINDOWS_PREFIX=$PWD/build-windows-qt/qt-6.4.2-mingw-x86_64
    if [ ! -e "$QT_WINDOWS_PREFIX/lib/cmake/Qt6/Qt6Config.cmake" ]; then
        mkdir -p build-windows-qt
        tar xf ../shared/qt-windows/qt-6.4.2-mingw-x86_64.tar.xz -C build-windows-qt
    fi
fi
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DQT_WINDOWS_PREFIX="$QT_WINDOWS_PREFIX" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSENSOR_VIEWER_WERROR=ON
cmake --build build-windows -j"$(nproc)" --target windows_tests
ctest --test-dir build-windows --output-on-failure
