#!/usr/bin/env bash
# Closes Wendrel's window while a screen read is running and checks that the
# program ends by itself, promptly and with status 0. Run through
# run_under_xvfb.sh (no session bus, so the read goes the screen way).
#   quit_during_read_test.sh WENDREL STANDIN SCENARIO CLOSE_WINDOW
set -euo pipefail
wendrel=$1 standin=$2 scenario=$3 close_window=$4
log=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$log"; }
trap cleanup EXIT

"$standin" --scenario "$scenario" >"$log/standin.out" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do grep -q '^ready' "$log/standin.out" && break; sleep 0.1; done
grep -q '^ready' "$log/standin.out" || { echo "the stand-in did not show its panel"; exit 1; }

"$wendrel" >"$log/wendrel.out" 2>&1 &
app=$!
pids+=($app)
window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^Wendrel$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "no Wendrel window"; exit 1; }

xdotool windowfocus --sync "$window" || true
xdotool key Return
sleep 0.3
"$close_window" "$window"
closed_at=$(date +%s%N)

# Recognition of one window takes a few seconds at most; the program waits
# for it and must then end on its own.
for _ in $(seq 1 200); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  echo "wendrel still runs 20 s after its window was closed"
  exit 1
fi
status=0
wait "$app" || status=$?
echo "wendrel ended with status $status, $(( ($(date +%s%N) - closed_at) / 1000000 )) ms after its window was closed"
[ "$status" -eq 0 ] || { cat "$log/wendrel.out"; exit 1; }
