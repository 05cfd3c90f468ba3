#!/usr/bin/env bash
# Installs the dependencies, builds, and runs the whole test suite. No display needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure
