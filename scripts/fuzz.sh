#!/usr/bin/env bash
# Builds a fuzzer with clang into build-fuzz/ and runs it for a bounded time (seconds,
# default 60): the framing path by default, or the recording reader with `csvreader` as
# the second argument. Exits non-zero if it finds a crash; the input that caused it is
# left in build-fuzz/ as crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
target="${2:-framing}"
seeds=fuzz/corpus work=build-fuzz/corpus
[ "$target" = framing ] || { seeds="fuzz/corpus-$target"; work="build-fuzz/corpus-$target"; }
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DBUILD_TESTING=OFF -DSENSOR_VIEWER_FUZZ=ON -DSENSOR_VIEWER_WERROR=ON
cmake --build build-fuzz --target "fuzz_$target" -j"$(nproc)"
# New inputs go to a working corpus, so the seeds stay as committed.
mkdir -p "$work"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix=build-fuzz/ "$work" "$seeds"
