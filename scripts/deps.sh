#!/usr/bin/env bash
# Installs what building, running and testing the viewer needs, from Debian's packages.
# Safe to run again: packages already present are not fetched.
#   deps.sh            the Linux program, its tests and tools
#   deps.sh windows    the Windows program's cross-build and its zip (package-windows.sh)
#   deps.sh wine       running the Windows program and its tests under Wine
set -euo pipefail

case "${1:-linux}" in
windows) packages=(
    cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools
    librsvg2-bin icoutils qt6-translations-l10n
    # Only for the licence notices of the Qt modules the zip holds.
    libqt6charts6 libqt6serialport6 libqt6svg6
) ;;
wine) packages=(
    wine wine64 binutils-mingw-w64-x86-64 xvfb xdotool imagemagick bubblewrap python3 unzip
) ;;
linux) packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-serialport-dev qt6-svg-dev qt6-translations-l10n libgl-dev
    fonts-liberation2 libfontconfig-dev
    librsvg2-bin dpkg-dev file locales strace
    xvfb xdotool imagemagick bubblewrap dbus-daemon at-spi2-core python3-pyatspi python3-xlib openbox
    clang libclang-rt-14-dev
    libbenchmark-dev
    libreoffice-calc-nogui
    libxcb1-dev libxcb-xtest0-dev libxcb-damage0-dev
) ;;
*) echo "deps.sh: no list named $1 (linux, windows, wine)" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' \
        || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
