#!/usr/bin/env bash
# Cross-builds the viewer for 64-bit Windows in build-windows-package/ (or the build folder
# SENSOR_WINDOWS_BUILD names) and packs it as a zip holding one folder: the program, the
# DLLs it loads, Qt's plugins and Portuguese texts, the licences and LEIA-ME.txt. Prints
# the zip's path as its last line.
# Needs Qt for Windows (MinGW-w64) at QT_WINDOWS_PREFIX; installs its Debian packages.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${QT_WINDOWS_PREFIX:-}" ]; then
    echo "package-windows.sh: set QT_WINDOWS_PREFIX to a Qt for Windows (MinGW-w64) prefix, as README's \"Windows\" section says" >&2
    exit 2
fi
bash scripts/deps.sh windows

build=${SENSOR_WINDOWS_BUILD:-build-windows-package}
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DQT_WINDOWS_PREFIX="$QT_WINDOWS_PREFIX" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j"$(nproc)" --target sensor-viewer
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=sensor-viewer-$version-windows-x86_64
folder=$build/$name
rm -rf "$folder" "$folder.zip"
mkdir -p "$folder/plugins/platforms" "$folder/plugins/styles" "$folder/translations" \
    "$folder/AVISOS"

x86_64-w64-mingw32-strip -o "$folder/sensor-viewer.exe" "$build/bin/sensor-viewer.exe"
# Qt's plugins the window needs: the platform, and the style Windows' own look comes from.
# PNG is read and written by Qt Gui itself and SVG written by Qt Svg: no image plugin.
cp "$QT_WINDOWS_PREFIX/plugins/platforms/qwindows.dll" "$folder/plugins/platforms/"
cp "$QT_WINDOWS_PREFIX/plugins/styles/qwindowsvistastyle.dll" "$folder/plugins/styles/"

# The DLLs are what the program and its plugins import, and what those import in turn,
# from Qt's and MinGW's; any other is Windows' own.
runtime_dirs=("$QT_WINDOWS_PREFIX/bin" /usr/lib/gcc/x86_64-w64-mingw32/12-posix
    /usr/x86_64-w64-mingw32/lib)
find_dll() {
    local dir
    for dir in "${runtime_dirs[@]}"; do
        find "$dir" -maxdepth 1 -iname "$1" -print -quit
    done | head -n 1
}
pending=("$folder/sensor-viewer.exe" "$folder"/plugins/*/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
    pe=${pending[0]}
    pending=("${pending[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$pe" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$folder/$dll" ] && continue
        source=$(find_dll "$dll")
        [ -n "$source" ] || continue
        # MinGW's runtime comes with its debugging symbols: a user needs none.
        x86_64-w64-mingw32-strip --strip-unneeded -o "$folder/$(basename "$source")" "$source"
        pending+=("$folder/$(basename "$source")")
    done
done

cp /usr/share/qt6/translations/qtbase_pt_BR.qm "$folder/translations/"
cp LICENSE "$folder/LICENSE"
# Notepad and every other Windows editor read these, UTF-8 with Windows' line ends.
crlf() { sed 's/$/\r/' "$1"; }
{ printf '\xef\xbb\xbf'; crlf data/windows/LEIA-ME.txt | sed "s/@VERSION@/$version/"; } \
    >"$folder/LEIA-ME.txt"
crlf data/windows/qt.txt >"$folder/AVISOS/Qt.txt"
crlf data/windows/mingw-w64.txt >"$folder/AVISOS/MinGW-w64.txt"
crlf /usr/share/common-licenses/GPL-3 >"$folder/AVISOS/GPL-3.0.txt"
crlf /usr/share/common-licenses/LGPL-3 >"$folder/AVISOS/LGPL-3.0.txt"
crlf /usr/share/doc/libqt6core6/copyright >"$folder/AVISOS/qt6-base.txt"
for module in charts serialport svg; do
    crlf "/usr/share/doc/libqt6${module}6/copyright" >"$folder/AVISOS/qt6-$module.txt"
done
crlf /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright \
    >"$folder/AVISOS/gcc-mingw-w64.txt"
crlf /usr/share/doc/mingw-w64-x86-64-dev/copyright >"$folder/AVISOS/mingw-w64.txt"

(cd "$build" && cmake -E tar cf "$name.zip" --format=zip "$name")
realpath "$folder.zip"
