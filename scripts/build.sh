#!/usr/bin/env bash
# Configures and builds the viewer and its tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSENSOR_VIEWER_WERROR=ON
cmake --build build -j"$(nproc)"
