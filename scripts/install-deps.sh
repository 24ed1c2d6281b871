#!/usr/bin/env bash
# Installs the Debian packages that Velmora needs and that are missing.
#   scripts/install-deps.sh          build, run and test
#   scripts/install-deps.sh --clang  also clang and its sanitizer/fuzzer runtime
#   scripts/install-deps.sh --package  also what builds and checks the Debian package
#   scripts/install-deps.sh --look   also a virtual screen, a window manager and
#                                    screenshot tools (scripts/look.sh)
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config libcurl4-openssl-dev libxml2-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang-format
          qt6-base-dev qt6-svg-dev libgl-dev
          lftp ncftp python3-pyftpdlib python3 openssl nginx fonts-dejavu-core
          libsqlite3-dev nlohmann-json3-dev aria2 desktop-file-utils appstream man-db locales-all)
if [ "${1:-}" = "--clang" ]; then
  packages+=(clang libclang-rt-dev)
fi
if [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev lintian)
fi
if [ "${1:-}" = "--look" ]; then
  packages+=(xvfb openbox imagemagick xdotool wmctrl x11-utils)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Velmora needs these Debian packages, which are not installed: ${missing[*]}"
if [ -n "$sudo" ]; then
  echo "Installing them with sudo apt-get (sudo may ask for your password)."
else
  echo "Installing them with apt-get."
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
