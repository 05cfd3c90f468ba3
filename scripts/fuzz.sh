#!/usr/bin/env bash
# Builds the framing fuzzer with clang into build-fuzz/ and runs it for a bounded time
# (seconds, default 60). Exits non-zero if it finds a crash; the input that caused it is
# left in build-fuzz/ as crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DBUILD_TESTING=OFF -DSENSOR_VIEWER_FUZZ=ON -DSENSOR_VIEWER_WERROR=ON
cmake --build build-fuzz --target fuzz_framing -j"$(nproc)"
# New inputs go to a working corpus, so the seeds in fuzz/corpus stay as committed.
mkdir -p build-fuzz/corpus
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
build-fuzz/fuzz/fuzz_framing -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix=build-fuzz/ build-fuzz/corpus fuzz/corpus
