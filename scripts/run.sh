#!/usr/bin/env bash
# Builds Ryvo and starts it with the simulated target device: a window of lane pads where
# the mouse aims and a click fires, on a pseudo-terminal that Ryvo uses as its serial port.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset dev
cmake --build --preset dev

demo=build/demo
mkdir -p "$demo"
# Short, so it fits the settings file's port field.
port="/tmp/ryvo-sim-$(id -u)"

# First run: serial device on, shooters 1 and 2 in use, N4 target, trace and aiming point on.
if [[ ! -f "$demo/ryvw.cfg" ]]; then
  printf '%s\r\n' \
    "Target =  1 1 -1 -1 -1" \
    "Time = 10" \
    "ShootsNumber = 3" \
    "Shooter = 1" \
    "SerialPort = $port" \
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

build/bin/ryvo-sim --interactive --link "$port" >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [[ -e "$port" ]] && break
  sleep 0.1
done

cd "$demo"
../bin/ryvo
