#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one of them, or all.
#   scripts/fuzz.sh [TARGET|all] [SECONDS]
# TARGET: link-extractor, profile-reader, index-page, robots-rules,
# listing-text, link-unwrap or json-answer; all (the default) runs each for SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:-all}"
seconds="${2:-60}"
all=(link-extractor profile-reader index-page robots-rules listing-text link-unwrap json-answer)
scripts/install-deps.sh --clang
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF >/dev/null
run() {
  cmake --build build-fuzz --target "fuzz-$1"
  mkdir -p "build-fuzz/corpus-$1"
  "build-fuzz/bin/fuzz-$1" -max_total_time="$seconds" -max_len=65536 \
    "build-fuzz/corpus-$1" "fuzz/corpus/$1"
}
if [ "$target" = all ]; then
  for each in "${all[@]}"; do run "$each"; done
else
  run "$target"
fi
