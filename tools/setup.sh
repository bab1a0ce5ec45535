#!/usr/bin/env bash
# Installs the Debian packages Asphaltia needs to build, run and test. Safe to run again: it
# installs only what is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git zlib1g-dev
  libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev libpng-dev libenet-dev
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth xdotool x11-apps imagemagick
  fonts-dejavu-core clang-format
  clang-14 libclang-rt-14-dev lld valgrind python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
