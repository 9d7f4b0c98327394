#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build with all
# tests, the core tests again under AddressSanitizer + UndefinedBehaviorSanitizer, the
# threaded tests under ThreadSanitizer, a two-minute soak under AddressSanitizer +
# LeakSanitizer, a short fuzzing run, and a build of the benchmarks.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
cd "$src"
bash scripts/install-deps.sh

# GUI tests run on the offscreen platform, also when ctest lists them before running.
export QT_QPA_PLATFORM=offscreen
out=${VALDRIX_TEST_BUILD:-$src/build-test}
status=0
run() { echo "== $*"; "$@" || status=1; }

bash scripts/build.sh "$out/main" -DVALDRIX_BENCH=ON
run ctest --test-dir "$out/main" --output-on-failure -j2

# Core libraries without Qt, under ASan + UBSan.
bash scripts/build.sh "$out/asan" -DVALDRIX_GUI=OFF -DVALDRIX_SANITIZE=address,undefined
run ctest --test-dir "$out/asan" --output-on-failure -j2

# Locks, events and threaded transports under TSan.
bash scripts/build.sh "$out/tsan" -DVALDRIX_GUI=OFF -DVALDRIX_SANITIZE=thread
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  run ctest --test-dir "$out/tsan" --output-on-failure -j2 -R "${VALDRIX_TSAN_TESTS:-.}"

# Two minutes of polling by the main window and by valdrix-cli against a simulator that
# loses and damages answers, under ASan + LSan (a longer run: VALDRIX_SOAK_SECONDS).
run env VALDRIX_TEST_BUILD="$out" bash scripts/soak.sh "${VALDRIX_SOAK_SECONDS:-120}"

# Fuzz targets, a short run each from their seed corpora (and what earlier runs found).
run env VALDRIX_TEST_BUILD="$out" bash fuzz/run.sh "${VALDRIX_FUZZ_SECONDS:-12}"

exit $status
