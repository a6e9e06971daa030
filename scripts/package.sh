#!/usr/bin/env bash
# Builds Ryvo and its Debian package: build/ryvo_<version>-1_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset dev
cmake --build --preset dev
# The version follows the commit, so an older package would stay beside the new one.
rm -f build/ryvo_*.deb
(cd build && cpack -G DEB)
ls build/*.deb
