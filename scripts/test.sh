#!/usr/bin/env bash
# Installs what is missing, builds Velmora with its tests and runs them all.
#   scripts/test.sh              an optimised build with debug information
#   scripts/test.sh --sanitize   the same tests under AddressSanitizer and
#                                UndefinedBehaviorSanitizer (a debug build
#                                in build-address)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
  exec scripts/sanitize.sh address
fi
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=ON
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j "$(nproc)"
