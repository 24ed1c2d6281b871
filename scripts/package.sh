#!/usr/bin/env bash
# Installs what is missing, builds Velmora for /usr and makes the Debian
# package build-package/velmora_VERSION_ARCH.deb, then checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/install-deps.sh --package
scripts/build.sh build-package -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
cd build-package
rm -f velmora_*.deb
cpack -G DEB
lintian --fail-on error velmora_*.deb
ls "$(pwd)"/velmora_*.deb
