#!/usr/bin/env bash
# Builds the sanitizer tree, which holds the fuzz targets (when needed), and runs each
# target for SECONDS seconds (default 30) from its seed corpus in fuzz/corpus/<target>,
# as many at once as there are cores: run.sh [SECONDS]. The inputs a run finds are kept in the build tree (corpus/<target>),
# so the next run goes on from them; inputs that break a target go to artifacts/. Prints
# each target's executions and coverage, and fails when a target found a fault.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
out=${VALDRIX_TEST_BUILD:-$src/build-test}/asan
bash "$src/scripts/build-asan.sh" "$out"
mkdir -p "$out/artifacts" "$out/fuzz-logs"

# The last value libFuzzer printed for a key ("cov:", "ft:") or a final statistic.
last_value() { grep -o "$1 *[0-9]*" "$2" | tail -n 1 | grep -o '[0-9]*$' || echo '?'; }

# Runs one target; its output goes to $out/fuzz-logs/<target>.log, a fault to
# $out/fuzz-logs/<target>.failed.
fuzz_one() {
  local f=$1 name seeds=()
  name=$(basename "$f")
  [ -d "$src/fuzz/corpus/$name" ] && seeds=("$src/fuzz/corpus/$name")
  mkdir -p "$out/corpus/$name"
  rm -f "$out/fuzz-logs/$name.failed"
  "$f" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" \
    "$out/corpus/$name" "${seeds[@]}" >"$out/fuzz-logs/$name.log" 2>&1 || touch "$out/fuzz-logs/$name.failed"
}

targets=()
for f in "$out"/fuzz/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] && targets+=("$f")
done
jobs=$(nproc)
for f in "${targets[@]}"; do
  echo "== $(basename "$f"): $seconds s"
  fuzz_one "$f" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
done
wait

status=0
format='%-26s %-7s %12s %9s %9s\n'
summary=$(printf "$format" target result executions coverage features)
for f in "${targets[@]}"; do
  name=$(basename "$f")
  log=$out/fuzz-logs/$name.log
  result=ok
  if [ -e "$out/fuzz-logs/$name.failed" ]; then
    result=FAILED
    status=1
    tail -n 40 "$log"
  fi
  summary+=$'\n'$(printf "$format" "$name" "$result" "$(last_value 'stat::number_of_executed_units:' "$log")" \
    "$(last_value 'cov:' "$log")" "$(last_value 'ft:' "$log")")
done
echo "$summary"
exit $status
