#!/usr/bin/env bash
# Starts the real program on the current X display (run it through
# run_under_xvfb.sh), checks that its window is 560×510 and keeps two
# screenshots as artifacts: the window at launch, and after Return was
# pressed with no map application running.
#   screenshot_test.sh WENDREL_BINARY ARTIFACT_DIR
set -euo pipefail
wendrel=$1
artifacts=$2
mkdir -p "$artifacts"

"$wendrel" >"$artifacts/wendrel-e2e.log" 2>&1 &
app_pid=$!
trap 'kill "$app_pid" 2>/dev/null || true' EXIT

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^Wendrel$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || { echo "wendrel exited early:"; cat "$artifacts/wendrel-e2e.log"; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "no visible window named Wendrel"; exit 1; }
sleep 1  # let the first frame be painted

geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
echo "window $window geometry $geometry"
[ "$geometry" = "560x510" ] || { echo "expected 560x510, got $geometry"; exit 1; }

import -window root "$artifacts/wendrel-launch.png"
import -window "$window" "$artifacts/wendrel-window.png"
size=$(identify -format '%wx%h' "$artifacts/wendrel-window.png")
[ "$size" = "560x510" ] || { echo "window image is $size"; exit 1; }

# The window must not be a blank rectangle: text gives it many colours.
colours=$(identify -format '%k' "$artifacts/wendrel-window.png")
echo "distinct colours in the window: $colours"
[ "$colours" -gt 20 ] || { echo "the window looks empty"; exit 1; }

# Return presses the read button; no map application runs here, so the
# read fails at once and says so.
xdotool windowfocus --sync "$window" || true
xdotool key --clearmodifiers Return
sleep 1
import -window root "$artifacts/wendrel-no-map.png"
kill -0 "$app_pid" || { echo "wendrel died after a read"; exit 1; }

kill -TERM "$app_pid"
wait "$app_pid" || true
trap - EXIT
echo "screenshots in $artifacts"
