#!/usr/bin/env bash
# Builds and runs every test under a sanitizer.
#   scripts/sanitize.sh address   AddressSanitizer with UndefinedBehaviorSanitizer
#   scripts/sanitize.sh thread    ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
kind="${1:-address}"
scripts/install-deps.sh
scripts/build.sh "build-$kind" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE="$kind"
cd "build-$kind"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 TSAN_OPTIONS="halt_on_error=1 suppressions=$root/scripts/tsan.supp"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j "$(nproc)"
