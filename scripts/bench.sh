#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them.
#   scripts/bench.sh [benchmark filter]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DVELMORA_BENCH=ON -DVELMORA_TESTS=OFF
for bench in build-bench/bin/bench-*; do
  "$bench" --benchmark_filter="${1:-.}"
done
