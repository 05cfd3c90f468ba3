#!/usr/bin/env bash
# Installs the dependencies, builds a Release tree in build-package/ and packs it as a
# Debian package. Prints the package's path as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Debian's compiler and linker flags, hardening included (CMake reads no CPPFLAGS).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build-package -j"$(nproc)"
rm -f build-package/sensor-viewer_*.deb
(cd build-package && cpack -G DEB)
realpath build-package/sensor-viewer_*.deb
