#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them.
#   scripts/fuzz.sh link-extractor|profile-reader [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:-link-extractor}"
seconds="${2:-60}"
scripts/install-deps.sh --clang
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF >/dev/null
cmake --build build-fuzz --target "fuzz-$target"
mkdir -p "build-fuzz/corpus-$target"
exec "build-fuzz/bin/fuzz-$target" -max_total_time="$seconds" -max_len=65536 \
  "build-fuzz/corpus-$target" "fuzz/corpus/$target"
