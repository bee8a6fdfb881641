#!/usr/bin/env bash
# Runs a command against a private Xvfb display that this script starts and
# stops itself: run_under_xvfb.sh COMMAND [ARGS...]
# Xvfb picks a free display number itself (-displayfd), so several of these
# can run side by side. -noreset: the server must not reset (and refuse
# connections for a moment) each time its last client leaves.
set -euo pipefail

number_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset +extension Composite 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -f "$number_file"' EXIT

for _ in $(seq 1 100); do
  [ -s "$number_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$number_file" ] || { echo "Xvfb did not report its display" >&2; exit 1; }
DISPLAY=":$(head -n1 "$number_file")" "$@"
