#!/usr/bin/env bash
# Fails when clang-format would change any C++ file of the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ((${#files[@]} == 0)); then
  exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
