#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tester against the simulated module.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
cd "$src"
bash scripts/install-deps.sh
bash scripts/build.sh "$src/build" -DVALDRIX_TESTS=OFF
exec bash scripts/start.sh "$src/build"
