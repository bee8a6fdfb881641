#!/usr/bin/env bash
# Sets up, builds and replays a read of the sample route panel in examples/:
# prints the line Wendrel puts on the clipboard.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh
cmake --preset default >/dev/null
cmake --build --preset default --target wendrel-inspect -j "$(nproc)"

echo "Route panel texts: examples/route-panel.json"
echo "Clipboard line:"
./build/bin/wendrel-inspect parse < examples/route-panel.json
