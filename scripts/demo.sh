#!/usr/bin/env bash
# Builds Wendrel and shows one read end to end: the stand-in map application
# opens a sample truck-route panel, Wendrel opens next to it, the read button
# is pressed, the clipboard line is printed and a screenshot of both windows is
# written.
#
# Usage: scripts/demo.sh [--show] [--scenario NAME|FILE] [--screenshot FILE]
#   --show        use the current X display (its session bus and accessibility
#                 bus) instead of a private, invisible one
#   --scenario    a scenario of tests/fixtures/scenarios (default three-options)
#                 or a scenario JSON file
#   --screenshot  where to write the PNG (default build/demo/wendrel-demo.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

show=0
scenario=three-options
screenshot="$root/build/demo/wendrel-demo.png"
stage=
while [ $# -gt 0 ]; do
  case "$1" in
    --show) show=1 ;;
    --scenario) scenario=${2:?--scenario needs a value}; shift ;;
    --screenshot) screenshot=${2:?--screenshot needs a value}; shift ;;
    --stage-read) stage=read ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
case "$screenshot" in /*) ;; *) screenshot="$root/$screenshot" ;; esac
case "$scenario" in */*|*.json) scenario="$(cd "$(dirname "$scenario")" && pwd)/$(basename "$scenario")" ;; esac

# The read itself, on whatever display and buses the environment gives.
read_stage() {
  export WENDREL_BIN="${WENDREL_BIN:-$root/build/bin}"
  source "$root/tests/e2e/lib.sh"
  start_standin "$scenario"
  start_wendrel
  local standin_window
  standin_window=$(xdotool search --onlyvisible --pid "$STANDIN_PID" | head -n1)
  xdotool windowmove --sync "$standin_window" 0 0 2>/dev/null || xdotool windowmove "$standin_window" 0 0
  local standin_width
  standin_width=$(xwininfo -id "$standin_window" | awk '/Width:/ {print $2}')
  xdotool windowmove --sync "$WENDREL_WINDOW" $((standin_width + 16)) 0 2>/dev/null || xdotool windowmove "$WENDREL_WINDOW" $((standin_width + 16)) 0
  sleep 0.5
  press_read
  local line
  if line=$(wait_for_payload 30); then
    echo "Clipboard line:"
    printf '%s\n' "$line"
  else
    echo "No payload was copied; Wendrel shows:" >&2
    window_texts "$WENDREL_PID" >&2
  fi
  sleep 0.5
  write_screenshot "$standin_window" "$WENDREL_WINDOW"
  [ -n "${line:-}" ]
}

# Crops the screen to the rectangle around both windows.
write_screenshot() {
  local right=0 bottom=0 id x y w h
  for id in "$@"; do
    x=$(xwininfo -id "$id" | awk '/Absolute upper-left X:/ {print $4}')
    y=$(xwininfo -id "$id" | awk '/Absolute upper-left Y:/ {print $4}')
    w=$(xwininfo -id "$id" | awk '/Width:/ {print $2}')
    h=$(xwininfo -id "$id" | awk '/Height:/ {print $2}')
    [ $((x + w)) -gt "$right" ] && right=$((x + w))
    [ $((y + h)) -gt "$bottom" ] && bottom=$((y + h))
  done
  mkdir -p "$(dirname "$screenshot")"
  import -window root -crop "${right}x${bottom}+0+0" +repage "$screenshot"
  echo "Screenshot: $screenshot"
}

if [ "$stage" = read ]; then
  read_stage
  exit $?
fi

./scripts/setup-debian.sh
cmake --preset default >/dev/null
cmake --build --preset default --target wendrel amap-standin a11y-dump -j "$(nproc)"

if [ "$show" = 1 ]; then
  [ -n "${DISPLAY:-}" ] || { echo "demo.sh: --show needs an X display (DISPLAY is not set)" >&2; exit 2; }
  # On the user's own desktop: a scratch directory, and the demo's windows
  # closed afterwards.
  WENDREL_E2E_DIR="$(mktemp -d "${TMPDIR:-/tmp}/wendrel-demo.XXXXXX")"
  export WENDREL_E2E_DIR QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  cleanup() {
    [ -f "$WENDREL_E2E_DIR/pids" ] && while read -r pid; do kill -TERM "$pid" 2>/dev/null || true; done <"$WENDREL_E2E_DIR/pids"
    rm -rf "$WENDREL_E2E_DIR"
  }
  trap cleanup EXIT
  status=0
  "$0" --stage-read --scenario "$scenario" --screenshot "$screenshot" || status=$?
  echo "Press Enter to close the demo's windows."
  read -r _ || true
  exit "$status"
fi

tests/e2e/with-desktop.sh "$0" --stage-read --scenario "$scenario" --screenshot "$screenshot"
