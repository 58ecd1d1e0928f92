#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need; only
# missing packages are fetched, so a prepared machine skips the network.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev
  clang clang-format libclang-rt-14-dev libgomp1 libomp-dev
  libsdl2-dev libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri libstb-dev zlib1g-dev
  libfaudio-dev libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  glslang-dev glslang-tools spirv-tools libspirv-cross-c-shared-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  sox ffmpeg librsvg2-bin
  xvfb xauth xdotool imagemagick python3-numpy
  desktop-file-utils appstream dpkg-dev lintian
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done

if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
