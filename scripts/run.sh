#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts its window.
# The window works in a folder of its own: $VELMORA_HOME when set, else
# ${XDG_DATA_HOME:-~/.local/share}/velmora. Its settings files live there.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo

home="${VELMORA_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/velmora}"
mkdir -p "$home"
# The help page and the icons its legend shows.
cp docs/documentation.html "$home/documentation.html"
mkdir -p "$home/icons"
cp docs/icons/*.svg "$home/icons/"
# A new folder starts from the update service's catalogue of engines and
# clients (the program itself creates no settings of its own).
[ -e "$home/settings.dat" ] || cp service/answers/engines.ini "$home/settings.dat"
[ -e "$home/clients.dat" ] || cp service/answers/clients.ini "$home/clients.dat"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on. Run it on a desktop, under xvfb-run," >&2
  echo "or use the command line: $root/build/bin/velmora-cli --help" >&2
  exit 1
fi
cd "$home"
exec "$root/build/bin/velmora"
