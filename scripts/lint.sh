#!/usr/bin/env bash
# clang-tidy with the repository's .clang-tidy over the C++ sources of src/, every warning an
# error. Uses build/compile_commands.json (configured here when missing). Arguments name
# folders of src/ to check instead of the default list.
set -euo pipefail
cd "$(dirname "$0")/.."

# The folders of src/ that are checked. Widen this list to check more.
folders=(platform core targets calibration device exercise zeroing archive app)
if (($# > 0)); then
  folders=("$@")
fi

bash scripts/deps.sh clang-tidy
if [[ ! -f build/compile_commands.json ]]; then
  cmake --preset dev >/dev/null
fi

files=()
for folder in "${folders[@]}"; do
  if [[ ! -d src/$folder ]]; then
    echo "No folder src/$folder" >&2
    exit 2
  fi
  mapfile -t -O "${#files[@]}" files < <(git ls-files "src/$folder/*.cpp")
done

# Headers of the checked folders are checked where they are included.
header_filter="src/($(IFS='|'; echo "${folders[*]}"))/"
jobs=${LINT_JOBS:-2}
printf '%s\n' "${files[@]}" | xargs -P "$jobs" -n 4 clang-tidy -p build --quiet \
  --warnings-as-errors='*' --header-filter="$header_filter"
