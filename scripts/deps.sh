#!/usr/bin/env bash
# Installs what building, running and testing the viewer needs, from Debian's packages.
# Safe to run again: packages already present are not fetched.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-serialport-dev qt6-svg-dev qt6-translations-l10n libgl-dev
    fonts-liberation2 libfontconfig-dev
    librsvg2-bin dpkg-dev file locales strace
    xvfb xdotool imagemagick bubblewrap dbus-daemon at-spi2-core python3-pyatspi python3-xlib openbox
    clang libclang-rt-14-dev
    libbenchmark-dev
    libreoffice-calc-nogui
    libxcb1-dev libxcb-xtest0-dev libxcb-damage0-dev
)

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
