#!/usr/bin/env bash
# Starts the simulated probe on a pseudo-terminal as COM1, with update files newer than its
# firmware and logic, and opens the window on a copy of the lab document. Closing the window
# stops the simulator. Without a display, the same story runs through kvxctl.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/src

work=$(mktemp -d)
"$bin/sim/kvxsim" --rate 9600 --pace --link "$work/probe" --state "$work/flash" \
  > "$work/sim.out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -e "$work/probe" ] && break; sleep 0.1; done
[ -e "$work/probe" ] || { cat "$work/sim.out"; echo "kvxsim did not start" >&2; exit 1; }

cp demo/lab.gdb "$work/lab.gdb"
export KVXSETUP_COM1="$work/probe"
export KVXSETUP_UPDATE_DIR="$PWD/demo/updates"
echo "kvxsim: a KVX7000 loader with firmware 1.04 and logic 1.04 on $(head -n1 "$work/sim.out"), as COM1"
echo "update files: firmware 1.05 and logic 1.05 in demo/updates"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/app/qt/kvxsetup" ]; then
  echo "Opening kvxsetup on $work/lab.gdb: Setup > KVX7000..., then Connect, Update, Transmit."
  # A profile of its own, so the demo leaves the user's recent files and window place alone.
  XDG_CONFIG_HOME="$work/config" "$bin/app/qt/kvxsetup" "$work/lab.gdb"
  exit
fi

echo "No display here (DISPLAY and WAYLAND_DISPLAY are unset): the same story through kvxctl."
run() {
  echo
  echo "\$ kvxctl $*"
  "$bin/cli/kvxctl" "$@"
}
run info --port COM1
run update --port COM1
run transmit --document "$work/lab.gdb"
run info --port COM1
