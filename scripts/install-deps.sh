#!/usr/bin/env bash
# Installs the Debian packages Voxmill builds and tests with; does nothing
# when every one of them is already present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  zlib1g-dev
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libqt6svg6
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libfftw3-dev libfftw3-single3
  libdcmtk-dev dcmtk
  libhdf4-dev hdf4-tools
  libhdf5-dev libtiff-dev libpng-dev python3-h5py python3-tifffile python3-vtk9 teem-apps
  xvfb xauth
  pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib
  clang libclang-rt-14-dev
  ffmpeg gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  libopenmpi-dev openmpi-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
