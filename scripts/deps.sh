#!/usr/bin/env bash
# Installs the Debian packages Ryvo needs to build, test and run (apt-get; sudo when not root).
# Packages named as arguments are installed as well (scripts/fuzz.sh and scripts/lint.sh
# add their tools that way).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config mold
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-multimedia-dev libgl-dev
  libqt6sql6-sqlite qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev libbenchmark-dev clang-format
  fonts-liberation
  espeak-ng
  qt6-translations-l10n
  xvfb x11-utils
  dpkg-dev file fakeroot
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
