#!/usr/bin/env bash
# Builds Ryvo and starts it in its demonstration: Ryvo starts the simulated target device
# (ryvo-sim, a window of lane pads where the mouse aims and a click fires) on a
# pseudo-terminal and uses it as its serial device for the session.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset dev
cmake --build --preset dev

demo=build/demo
mkdir -p "$demo"

# First run: shooters 1 and 2 in use, N4 target, trace and aiming point on.
if [[ ! -f "$demo/ryvw.cfg" ]]; then
  printf '%s\r\n' \
    "Target =  1 1 -1 -1 -1" \
    "Time = 10" \
    "ShootsNumber = 3" \
    "Shooter = 1" \
    "EnableTrace = 1" \
    "IO_Serial = 1" \
    "RepeatTime = -1" \
    "FlagPostGunEnable = 1" \
    "FlagGunEnable = 1" >"$demo/ryvw.cfg"
fi

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "No display found: run this from a desktop session (or under xvfb-run)." >&2
  exit 1
fi

cd "$demo"
exec ../bin/ryvo --demo
