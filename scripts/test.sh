#!/usr/bin/env bash
# Builds Ryvo and runs every test (unit, widget and end-to-end).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset dev
cmake --build --preset dev
ctest --preset dev "$@"
