#!/usr/bin/env bash
# Builds the fuzz targets with clang into one tree: build.sh DIR [cmake options...]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
CC=clang CXX=clang++ bash "$src/scripts/build.sh" "$dir" -DVALDRIX_GUI=OFF -DVALDRIX_TESTS=OFF -DVALDRIX_FUZZ=ON "$@"
