#!/usr/bin/env bash
# scripts/fuzz.sh SECONDS [TARGET...]: builds the fuzz targets in build-fuzz/ (clang,
# libFuzzer, address and undefined-behaviour sanitizers; only the Qt-free libraries)
# and runs each for SECONDS on a scratch copy of its seed corpus in tests/fuzz/corpus.
# Prints one line per target, then "fuzz: N targets, R runs, C crashes"; the status is 1
# when any target crashed, leaked, hit undefined behaviour or timed out.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
case "$seconds" in '' | *[!0-9]*) echo "usage: scripts/fuzz.sh SECONDS [TARGET...]" >&2; exit 2 ;; esac

dir=build-fuzz
./scripts/build.sh fuzz

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$dir"/bin/fuzz_*; do targets+=("$(basename "$t")"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
scratch=$dir/run
total_runs=0
crashes=0
for t in "${targets[@]}"; do
  work=$scratch/$t
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  if [ -d "tests/fuzz/corpus/$t" ]; then cp -R "tests/fuzz/corpus/$t/." "$work/corpus/"; fi
  status=0
  "$dir/bin/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$PWD/$work/artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  added=$(sed -n 's/^stat::new_units_added: *//p' "$work/log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | cut -d' ' -f2 || true)
  found=0
  if [ "$status" -ne 0 ]; then
    found=1
    crashes=$((crashes + 1))
  fi
  echo "$t: ${runs:-0} runs, ${added:-0} new units, coverage ${cov:-0}, $found crashes"
  if [ "$found" -ne 0 ]; then
    grep -m1 -E 'ERROR|runtime error|SUMMARY' "$work/log" >&2 || true
    reproducer=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$work/log" | tail -1)
    echo "  reproducer: ${reproducer:-none written}; log: $work/log" >&2
  fi
  total_runs=$((total_runs + ${runs:-0}))
done
echo "fuzz: ${#targets[@]} targets, $total_runs runs, $crashes crashes"
[ "$crashes" -eq 0 ]
