#!/usr/bin/env bash
# Builds the sanitizer tree with clang: build-asan.sh DIR [cmake options...]. Everything
# is compiled under AddressSanitizer + UndefinedBehaviorSanitizer with the fuzzer's
# coverage instrumentation, so one tree holds the core tests, the programs and windows
# for the soak, and the fuzz targets. The windows' own tests run in the main tree only.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
CC=clang CXX=clang++ bash "$src/scripts/build.sh" "$dir" -DVALDRIX_SANITIZE=address,undefined -DVALDRIX_FUZZ=ON \
  -DVALDRIX_WINDOW_TESTS=OFF "$@"
