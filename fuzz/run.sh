#!/usr/bin/env bash
# Builds the fuzz targets (when needed) and runs each for SECONDS seconds (default 30)
# from its seed corpus in fuzz/corpus/<target>: run.sh [SECONDS]. The inputs a run finds
# are kept in the build tree (corpus/<target>), so the next run goes on from them;
# inputs that break a target go to artifacts/. Prints each target's executions and
# coverage, and fails when a target found a fault.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
out=${VALDRIX_TEST_BUILD:-$src/build-test}/fuzz
CC=clang CXX=clang++ bash "$src/scripts/build.sh" "$out" -DVALDRIX_GUI=OFF -DVALDRIX_TESTS=OFF -DVALDRIX_FUZZ=ON
mkdir -p "$out/artifacts"

# The last value libFuzzer printed for a key ("cov:", "ft:") or a final statistic.
last_value() { grep -o "$1 *[0-9]*" "$2" | tail -n 1 | grep -o '[0-9]*$' || echo '?'; }

status=0
format='%-26s %-7s %12s %9s %9s\n'
summary=$(printf "$format" target result executions coverage features)
for f in "$out"/fuzz/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] || continue
  name=$(basename "$f")
  seeds=()
  [ -d "$src/fuzz/corpus/$name" ] && seeds=("$src/fuzz/corpus/$name")
  mkdir -p "$out/corpus/$name"
  log=$out/$name.log
  echo "== $name: $seconds s"
  result=ok
  if ! "$f" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" \
      "$out/corpus/$name" "${seeds[@]}" >"$log" 2>&1; then
    result=FAILED
    status=1
    tail -n 40 "$log"
  fi
  summary+=$'\n'$(printf "$format" "$name" "$result" "$(last_value 'stat::number_of_executed_units:' "$log")" \
    "$(last_value 'cov:' "$log")" "$(last_value 'ft:' "$log")")
done
echo "$summary"
exit $status
