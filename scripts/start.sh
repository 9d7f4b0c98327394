#!/usr/bin/env bash
# Starts the simulated module (main link and RS-485 side) and the tester from a build
# tree, and stops the simulator when the tester exits: start.sh BUILD_DIR
#
# On a first start (no Config.xml beside the tester nor in the user's configuration
# folder) a Config.xml is written that points both links at the simulator; an existing
# Config.xml is never touched.
set -euo pipefail
build=$(cd "$1" && pwd)
sim=$build/valdrix-sim
tester=$build/valdrix-tester
if [ ! -x "$sim" ] || [ ! -x "$tester" ]; then
  echo "Built so far:"; find "$build" -maxdepth 2 -type f -perm -u+x -name 'valdrix-*' | sed 's/^/  /'
  exit 1
fi

main_port=10001
rs485_port=10002
ready=$(mktemp)
"$sim" --port "$main_port" --rs485-port "$rs485_port" >"$ready" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -f "$ready"' EXIT

# The simulator prints one line when it listens.
for _ in $(seq 50); do
  grep -q 'ready' "$ready" && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "valdrix-sim did not start (is port $main_port or $rs485_port in use?)" >&2
    exit 1
  fi
  sleep 0.1
done
if ! grep -q 'ready' "$ready"; then
  echo "valdrix-sim did not report ready" >&2
  exit 1
fi
echo "Simulated module: $(head -n1 "$ready")"

user_dir=${XDG_CONFIG_HOME:-$HOME/.config}/valdrix-tester
if [ ! -e "$build/Config.xml" ] && [ ! -e "$user_dir/Config.xml" ]; then
  config_dir=$build
  if [ ! -w "$config_dir" ]; then
    config_dir=$user_dir
    mkdir -p "$config_dir"
  fi
  printf '%s\n%s\n' '<?xml version="1.0" encoding="windows-1250"?>' \
    "<Root ConnectionString=\"provider=TCP_CLIENT;host=127.0.0.1;port=$main_port\" RS485ConnectionString=\"provider=TCP_CLIENT;host=127.0.0.1;port=$rs485_port\"/>" \
    >"$config_dir/Config.xml"
  echo "First start: $config_dir/Config.xml points at the simulated module"
fi

shift
"$tester" "$@"
