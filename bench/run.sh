#!/usr/bin/env bash
# Builds the benchmarks (scripts/build.sh into build-test/bench with -DVALDRIX_BENCH=ON,
# optimised as a release is; VALDRIX_BENCH_BUILD names another tree), runs every
# benchmark program and prints one Markdown table, each figure next to its floor
# measured in the same run. The table is also written to bench-summary.md in the build
# tree; each program's JSON results and console output go to bench-results/ there.
# Fails when a program fails or a figure is missing.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${VALDRIX_BENCH_BUILD:-$src/build-test/bench}
bash "$src/scripts/build.sh" "$build" -DVALDRIX_BENCH=ON

export QT_QPA_PLATFORM=offscreen
results=$build/bench-results
rm -rf "$results"
mkdir -p "$results"
status=0
for program in "$build"/bench/bench_*; do
  [ -f "$program" ] && [ -x "$program" ] || continue
  name=$(basename "$program")
  echo "== $name" >&2
  if ! "$program" --benchmark_out="$results/$name.json" --benchmark_out_format=json >"$results/$name.log" 2>&1; then
    echo "$name failed; see $results/$name.log" >&2
    status=1
  fi
done
python3 "$src/bench/summarise.py" "$results" >"$build/bench-summary.md" || status=1
cat "$build/bench-summary.md"
exit $status
