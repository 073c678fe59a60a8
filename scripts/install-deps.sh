#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Does nothing when they are all there already.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libglx-dev
  qt6-qpa-plugins qt6-image-formats-plugins
  xvfb xauth xdotool
  libinsighttoolkit5-dev libnifti2-dev libgdcm-dev libtiff-dev zlib1g-dev
  nlohmann-json3-dev
  libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libavutil-dev
  desktop-file-utils dpkg-dev clang-format
)
if [[ "${CALYRA_FUZZ:-0}" == 1 ]]; then
  packages+=(clang-14 libfuzzer-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
