#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build with all
# tests; the core tests again under AddressSanitizer + UndefinedBehaviorSanitizer in a
# tree that also holds the windows, for a two-minute soak under LeakSanitizer, and the
# fuzz targets, for a short fuzzing run; the core tests under ThreadSanitizer. Ends with
# the time of each stage.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
cd "$src"

# GUI tests run on the offscreen platform, also when ctest lists them before running.
export QT_QPA_PLATFORM=offscreen
out=${VALDRIX_TEST_BUILD:-$src/build-test}
status=0
timings=()
# stage NAME COMMAND...: runs one stage, times it; a failed install or build ends the run,
# a failed test run is reported at the end.
stage() {
  local name=$1 start=$SECONDS result=ok
  shift
  echo "== $name: $*"
  if ! "$@"; then
    result=FAILED
    status=1
  fi
  timings+=("$(printf '%-24s %5d s  %s' "$name" $((SECONDS - start)) "$result")")
  if [ $result = FAILED ] && [[ $name == build* || $name == install ]]; then summary; exit 1; fi
}
summary() {
  echo "== time of each stage"
  printf '%s\n' "${timings[@]}"
  printf '%-24s %5d s\n' total "$SECONDS"
}
# The test trees are only built once and run: each folder's sources are compiled as a
# few large units. The main tree is built by clang without optimisation or debug
# information (a third of g++ -O1's compile time; its tests mostly wait for peers); the
# sanitizer trees at -O1 with line tables, so that their reports stay readable, with the
# test programs themselves at -O0 (half their compile time), the thread-sanitizer tree by
# g++, so that both compilers see the core. The benchmarks are
# measured in a tree of their own (bench/run.sh).
unity=(-DCMAKE_UNITY_BUILD=ON)
main_flags=("${unity[@]}" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O0 -g0 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O0 -g0 -DNDEBUG")
sanitizer_flags=("${unity[@]}" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
  -DVALDRIX_TEST_FLAGS=-O0)

stage install bash scripts/install-deps.sh

stage "build main" env CC=clang CXX=clang++ bash scripts/build.sh "$out/main" -DVALDRIX_BENCH=ON "${main_flags[@]}"
# Most tests wait for a peer, so four at a time keep two cores busy.
stage "test main" ctest --test-dir "$out/main" --output-on-failure -j4

# Everything under ASan + UBSan, built by clang with the fuzzer's instrumentation; the
# core folders' tests run here (the windows' own tests run in the main tree), the windows
# serve the soak, the fuzz targets the fuzzing run.
stage "build asan" bash scripts/build-asan.sh "$out/asan" "${sanitizer_flags[@]}"
stage "test asan" ctest --test-dir "$out/asan" --output-on-failure -j2 -LE '^(app|controls|packaging|soak)$'

# Two minutes of polling by the main window and by valdrix-cli against a simulator that
# loses and damages answers, under ASan + LSan (a longer run: VALDRIX_SOAK_SECONDS).
stage soak env VALDRIX_TEST_BUILD="$out" bash scripts/soak.sh "${VALDRIX_SOAK_SECONDS:-120}"

# Locks, events and threaded transports under TSan.
stage "build tsan" bash scripts/build.sh "$out/tsan" -DVALDRIX_GUI=OFF -DVALDRIX_SANITIZE=thread "${sanitizer_flags[@]}"
stage "test tsan" env TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$src/scripts/tsan.supp" \
  ctest --test-dir "$out/tsan" --output-on-failure -j2 -R "${VALDRIX_TSAN_TESTS:-.}"

# Fuzz targets, a short run each from their seed corpora (and what earlier runs found).
stage fuzz env VALDRIX_TEST_BUILD="$out" bash fuzz/run.sh "${VALDRIX_FUZZ_SECONDS:-12}"

summary
exit $status
