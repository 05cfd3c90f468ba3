#!/usr/bin/env bash
# Installs the dependencies, builds, and starts the viewer on a simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec ./build/bin/sensor-viewer-demo
