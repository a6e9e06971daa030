#!/usr/bin/env bash
# Builds Ryvo and its Debian package: build/ryvo_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset dev
cmake --build --preset dev
(cd build && cpack -G DEB)
ls build/*.deb
