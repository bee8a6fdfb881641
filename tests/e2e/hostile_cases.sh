#!/usr/bin/env bash
# Reads from a map application that is hostile to accessibility clients, under
# tests/e2e/with-desktop.sh. The panel itself is fine and comes first in the
# tree; behind it the map area holds
#   huge-text       (the panel's text followed by about 1 MB of layer names)
#   huge-tree       (100,000 elements under one parent)
#   cycle           (elements that are their own descendants)
#   changing-names  (names that change every time they are asked)
# Each read must end with Wendrel alive, its window answering again within the
# walk's five seconds plus a margin, its peak memory within a generous bound,
# and either the exact payload or the failure status with its message. Another
# program owns the clipboard before the read; a payload replaces it.
#
# Usage (inside the stack): tests/e2e/hostile_cases.sh KIND
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib.sh"

clipboard_shows_marker() { [ "$(clipboard_text)" = "$marker" ]; }

# The walk's own budget is 5 s; the margin covers the parse and a loaded machine.
walk_limit_ms=${WENDREL_HOSTILE_WALK_MS:-8000}
# How much Wendrel's peak resident memory (VmHWM) may grow during the read, in
# kB: a plain read adds a few MB; 100,000 elements made at once added 50 MB.
# The panel comes first in the tree, so every case's read ends there; a read
# that went on to screen recognition would add the recogniser's own memory.
growth_limit_kb=${WENDREL_HOSTILE_GROWTH_KB:-30000}

read_ended() { has_payload || shows_text "$WENDREL_PID" "未能读取"; }
peak_rss_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status"; }

kind=${1:-}
case "$kind" in
  huge-text | huge-tree | cycle | changing-names) ;;
  *) echo "unknown case: $kind" >&2; exit 2 ;;
esac

start_standin "hostile-$kind"
start_wendrel
marker="another owner $kind"
printf '%s' "$marker" | xclip -selection clipboard
wait_until 5 clipboard_shows_marker || fail "the clipboard marker did not take"

peak_before_kb=$(peak_rss_kb "$WENDREL_PID")
pressed=$(date +%s%N)
press_read
# The walk holds Wendrel's main thread, so its window answers again once the
# walk (and the parse after it) is over.
sleep 0.2
wait_for_window_text "$WENDREL_PID" "读取当前高德货车结果" 30 || fail "Wendrel's window stays unresponsive"
walk_ms=$((($(date +%s%N) - pressed) / 1000000))
wait_until 60 read_ended || fail "the read did not end; the window shows: $(window_texts "$WENDREL_PID")"
read_ms=$((($(date +%s%N) - pressed) / 1000000))
kill -0 "$WENDREL_PID" 2>/dev/null || fail "Wendrel ended: $(tail -n 5 "$WENDREL_E2E_DIR/wendrel.err")"
peak_kb=$(peak_rss_kb "$WENDREL_PID")

if has_payload; then
  line=$(clipboard_text)
  outcome="exact payload"
  [ "$(without_read_at "$line")" = "$(cat "$here/expected/three-options.payload")" ] || outcome="wrong payload: $line"
else
  [ "$(clipboard_text)" = "$marker" ] || fail "the clipboard lost the other owner's text without a payload: $(clipboard_text)"
  window_texts "$WENDREL_PID" | grep -qF "未能读取" || fail "no failure status"
  outcome="failure shown"
fi
growth_kb=$((peak_kb - peak_before_kb))
echo "hostile $kind: $outcome; window answered after ${walk_ms} ms, read ended after ${read_ms} ms; Wendrel's peak RSS ${peak_before_kb} kB before the read, ${peak_kb} kB after"
[[ $outcome != "wrong payload"* ]] || fail "a wrong payload"
[ "$walk_ms" -le "$walk_limit_ms" ] || fail "the walk held Wendrel for ${walk_ms} ms"
[ "$growth_kb" -le "$growth_limit_kb" ] || fail "Wendrel's peak RSS grew by ${growth_kb} kB during the read"
window_answers() { timeout 1 xclip -o -selection clipboard >/dev/null 2>&1; }
window_answers || fail "the clipboard's owner does not answer after the read"
echo "PASS: hostile $kind"
