#!/usr/bin/env bash
# Builds Ryvo and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset dev
cmake --build --preset dev
mkdir -p build/demo
cd build/demo
exec ../bin/ryvo
