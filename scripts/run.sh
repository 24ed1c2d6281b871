#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts its window. The window
# chooses its own folder: see "Where Velmora keeps its files" in README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on. Run it on a desktop, under xvfb-run," >&2
  echo "or use the command line: $root/build/bin/velmora-cli --help" >&2
  exit 1
fi
exec "$root/build/bin/velmora" "$@"
