#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Safe to run again: when everything is already there it does nothing.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-webengine-dev qt6-webchannel-dev libqt6opengl6-dev qt6-svg-dev
  libgl-dev libgl1-mesa-dri
  libmpv-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libplist-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3
  ffmpeg zip unzip
  gdal-bin libxml2-utils
  xvfb xauth fonts-vlgothic
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
