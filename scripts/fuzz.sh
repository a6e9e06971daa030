#!/usr/bin/env bash
# Builds the fuzz targets (fuzz preset: clang, libFuzzer, ASan + UBSan, in build-fuzz/) and
# runs each for FUZZ_SECONDS (default 20) from its checked-in seed corpus. Inputs found on
# the way go to build-fuzz/corpus/<target>, failing ones to build-fuzz/artifacts/<target>/.
# Arguments name the targets to run (default: every fuzz/corpus/<target>).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev
cmake --preset fuzz
cmake --build --preset fuzz

seconds=${FUZZ_SECONDS:-20}
targets=("$@")
if ((${#targets[@]} == 0)); then
  for dir in fuzz/corpus/*/; do
    targets+=("$(basename "$dir")")
  done
fi

failed=()
for target in "${targets[@]}"; do
  work=build-fuzz/corpus/$target
  artifacts=build-fuzz/artifacts/$target
  mkdir -p "$work" "$artifacts"
  echo "== $target: ${seconds} s"
  if ! "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$target" \
    >"build-fuzz/$target.log" 2>&1; then
    tail -n 40 "build-fuzz/$target.log"
    failed+=("$target")
  else
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' \
      "build-fuzz/$target.log" | tr '\n' ' '
    echo
  fi
done

if ((${#failed[@]} > 0)); then
  echo "Fuzz targets failed: ${failed[*]}" >&2
  exit 1
fi
