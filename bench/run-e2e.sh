#!/usr/bin/env bash
# Measures the viewer end to end and prints one table: start-up, frame-to-pixel latency,
# CPU per frame and memory under streams, idle CPU; beside it, the viewer as it was at a
# revision given with --before. Builds what it needs into build/ and runs on an Xvfb of
# its own.
#
#   bash bench/run-e2e.sh                 # the full run, the current viewer alone
#   bash bench/run-e2e.sh --before REV    # beside the viewer at REV (a tag or a revision):
#                                         # about 10 minutes
#   bash bench/run-e2e.sh --quick         # a few seconds once built: checks that it all works
#   bash bench/run-e2e.sh --runs 9        # more runs, for a noisy machine
set -euo pipefail
cd "$(dirname "$0")/.."

before= # none: the columns and targets that compare with it stay empty
harness_args=()
while [ $# -gt 0 ]; do
    case $1 in
    --before)
        [ $# -ge 2 ] || { echo "run-e2e.sh: --before needs a revision" >&2; exit 2; }
        before=$2
        shift 2
        ;;
    *)
        harness_args+=("$1")
        shift
        ;;
    esac
done

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSENSOR_VIEWER_BENCHMARKS=ON \
    > /dev/null
cmake --build build -j"$(nproc)" --target sensor-viewer bare_window e2e_harness > /dev/null

# The earlier viewer, built from a worktree of its own in the build tree.
if [ -n "$before" ]; then
    revision=$(git rev-parse -q --verify "$before^{commit}") || {
        echo "run-e2e.sh: revision $before is not in this clone (a shallow one? git fetch --unshallow)" >&2
        exit 1
    }
    # --force: a build/ wiped by hand leaves the worktree registered but missing.
    src=build/before-src
    if [ ! -f "$src/.git" ] || [ "$(git -C "$src" rev-parse HEAD)" != "$revision" ]; then
        git worktree remove --force "$src" 2> /dev/null || rm -rf "$src"
        git worktree add --force --detach -q "$src" "$revision"
    fi
    cmake -S "$src" -B build/before -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=OFF > /dev/null
    cmake --build build/before -j"$(nproc)" --target sensor-viewer > /dev/null
    harness_args+=(--before build/before/bin/sensor-viewer
        --before-label "$(git rev-parse --short "$revision")")
fi

scratch=$(mktemp -d)
export XDG_RUNTIME_DIR="$scratch" # Qt wants one, private
xvfb=""
trap '[ -z "$xvfb" ] || { kill "$xvfb" 2> /dev/null; wait "$xvfb" 2> /dev/null; }; rm -rf "$scratch"' EXIT

# Xvfb picks a free display number and writes it to fd 3. A black root window (-br), so
# that a painted window shows against it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -br -nolisten tcp 3> "$scratch/display" 2> /dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.05
done
[ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }

machine() { echo "$(nproc) cores,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-), load $(cut -d' ' -f1-3 /proc/loadavg)"; }
echo "before: $(machine)"
DISPLAY=":$(cat "$scratch/display")" build/bench/e2e_harness \
    --viewer build/bin/sensor-viewer --bare build/bench/bare_window \
    ${harness_args[@]+"${harness_args[@]}"}
echo "after: $(machine)"
