#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them.
#   scripts/bench.sh [benchmark filter]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --look
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=ON -DVELMORA_TESTS=OFF

# The window benchmarks draw on a real X display (Xvfb) with a window
# manager, as a user's window does; the others need none.
export DISPLAY=:78
Xvfb :78 -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
openbox=$!
trap 'kill $openbox $xvfb 2>/dev/null || true' EXIT

for bench in build-bench/bin/bench-*; do
  "$bench" --benchmark_filter="${1:-.}"
done
