#!/usr/bin/env bash
# Starts the simulated module and the tester from a build tree: start.sh BUILD_DIR
set -euo pipefail
build=$1
sim=$build/sim/valdrix-sim
tester=$build/app/valdrix-tester
if [ ! -x "$sim" ] || [ ! -x "$tester" ]; then
  echo "Built so far:"; find "$build" -maxdepth 2 -type f -perm -u+x -name 'valdrix-*' | sed 's/^/  /'
  exit 0
fi
"$sim" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null' EXIT
"$tester"
