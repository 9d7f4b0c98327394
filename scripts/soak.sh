#!/usr/bin/env bash
# The long runs, under AddressSanitizer + LeakSanitizer: the main window (log window
# open, "Znovu připojit" on) and valdrix-cli monitor --keep-going, each polling its own
# simulator that loses 1 % and damages 1 % of its answers: soak.sh [SECONDS] (default
# 120; a night: soak.sh 28800). Prints each run's figures: requests, injected faults,
# failures seen, resident memory after the warm-up and at the end.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
out=${VALDRIX_TEST_BUILD:-$src/build-test}/asan
bash "$src/scripts/build-asan.sh" "$out"
# A small quarantine: freed memory is reused after a few MB, so resident memory can be
# flat once the runs are warm, as it is without the sanitizer.
export ASAN_OPTIONS=quarantine_size_mb=8:detect_leaks=1
export LSAN_OPTIONS=suppressions=$src/scripts/soak-lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen VALDRIX_SOAK_SECONDS=$seconds
log=$out/soak.log
status=0
ctest --test-dir "$out" -L soak -j2 --timeout $((seconds + 600)) --output-on-failure -V >"$log" 2>&1 || status=$?
grep -E 'soak:|tests passed|Failure|Expected|Which is|ERROR|leak' "$log" | sed -E 's/^[0-9]+: //' || true
[ $status -eq 0 ] || echo "soak failed; the whole output is in $log"
exit $status
