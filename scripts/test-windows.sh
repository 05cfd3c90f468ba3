#!/usr/bin/env bash
# Cross-builds the viewer and its unit tests for Windows into build-windows/, packs the zip
# from that build as package-windows.sh does, and runs under Wine, through CTest, the unit
# tests and the zip's own tests (tests/wine/tst_zip.py), the last on the simulated board
# built for Linux in build/. Takes Qt for Windows from QT_WINDOWS_PREFIX, or unpacks the one
# in ../shared/qt-windows into build-windows-qt/. Installs its Debian packages.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/deps.sh windows
bash scripts/deps.sh wine
if [ -z "${QT_WINDOWS_PREFIX:-}" ]; then
    export QT_WINDOWS_PREFIX=$PWD/build-windows-qt/qt-6.4.2-mingw-x86_64
    if [ ! -e "$QT_WINDOWS_PREFIX/lib/cmake/Qt6/Qt6Config.cmake" ]; then
        mkdir -p build-windows-qt
        tar xf ../shared/qt-windows/qt-6.4.2-mingw-x86_64.tar.xz -C build-windows-qt
    fi
fi

# The simulated board is a Linux program.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSENSOR_VIEWER_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)" --target sensor-board-sim

# One Release build serves the zip and the tests.
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DQT_WINDOWS_PREFIX="$QT_WINDOWS_PREFIX" -DCMAKE_BUILD_TYPE=Release -DSENSOR_VIEWER_WERROR=ON
zip=$(SENSOR_WINDOWS_BUILD=build-windows bash scripts/package-windows.sh | tail -n 1)
cmake -S . -B build-windows -DSENSOR_WINDOWS_ZIP="$zip" \
    -DSENSOR_BOARD_SIMULATOR="$PWD/build/bin/sensor-board-sim"
cmake --build build-windows -j"$(nproc)" --target windows_tests
ctest --test-dir build-windows --output-on-failure
