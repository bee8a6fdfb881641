#!/usr/bin/env bash
# End-to-end reads through the accessibility tree: the stand-in map
# application and Wendrel under tests/e2e/with-desktop.sh.
#
# Usage (inside the stack): tests/e2e/accessibility_cases.sh CASE [gtk | browser [FORM]]
#   gtk: the GTK stand-in, its label churning, instead of the Qt one
#   browser: the page in Chromium, its panel text in FORM (div, pre, textarea
#            or pre-line; div by default)
#   three-options       a three-option panel in panel-text mode
#   changed-panel       the panel changes between two reads
#   map-not-running     no map application: the failure shows in Wendrel's window
#   elements-3500       a tree beyond the 3,500-element limit
#   stopped-map         the map application is stopped (SIGSTOP) before the read
#   soak                30 reads in a row, the panel changed now and then: each
#                       one exact, the window answering after each
#   quit-during-read    the map application quits in the middle of a read
#   stopped-during-read the map application is stopped in the middle of a read
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib.sh"

expected() { cat "$here/expected/$1.payload"; }

# Reads once and compares the clipboard line, readAt aside, with the expected one.
read_and_expect() {
  local before line
  before=$(clipboard_text)
  press_read
  wait_until 15 clipboard_changed_from "$before" || fail "no new payload on the clipboard; the window shows: $(window_texts "$WENDREL_PID")"
  line=$(clipboard_text)
  [ "$(without_read_at "$line")" = "$(expected "$1")" ] || fail "clipboard: $line; expected: $(expected "$1")"
  printf '%s\n' "$line" | grep -Eq '"readAt":"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z"' || fail "bad readAt: $line"
}
clipboard_changed_from() { has_payload && [ "$(clipboard_text)" != "$1" ]; }

case_three-options() {
  start_standin three-options
  start_wendrel
  read_and_expect three-options
}

case_changed-panel() {
  start_standin three-options
  start_wendrel
  read_and_expect three-options
  change_standin three-options-changed
  read_and_expect three-options-changed
}

case_map-not-running() {
  start_wendrel
  press_read
  wait_for_window_text "$WENDREL_PID" "没有找到正在运行的高德地图" 10 || fail "no failure text; the window shows: $(window_texts "$WENDREL_PID")"
  window_texts "$WENDREL_PID" | grep -qF "未能读取" || fail "status is not the failure status"
  ! has_payload || fail "a payload appeared without a map application"
}

case_elements-3500() {
  start_standin elements-3500
  start_wendrel
  local start=$SECONDS
  read_and_expect three-options
  [ $((SECONDS - start)) -le 12 ] || fail "the read took $((SECONDS - start)) s"
}

# A map application that stops answering: Wendrel's window answers again within
# about two seconds, and the read goes on to screen recognition (which ends in
# a payload or in its own failure message, never in a frozen window).
case_stopped-map() {
  start_standin three-options
  start_wendrel
  kill -STOP "$MAP_PID"
  local pressed
  pressed=$(date +%s%N)
  press_read
  wait_for_window_text "$WENDREL_PID" "读取当前高德货车结果" 10 || fail "Wendrel's window stays unresponsive"
  local waited_ms=$((($(date +%s%N) - pressed) / 1000000))
  echo "window answered again after ${waited_ms} ms"
  [ "$waited_ms" -le 3000 ] || fail "Wendrel's window was unresponsive for ${waited_ms} ms"
  wait_until 40 read_went_on || fail "the read did not go on to screen recognition; the window shows: $(window_texts "$WENDREL_PID")"
  kill -CONT "$MAP_PID"
}
read_went_on() { has_payload || shows_text "$WENDREL_PID" "没有找到完整的货车路线结果"; }

# ---- Many reads in a row ----

# Wendrel's window answers an X request: it serves its clipboard within 1 s.
window_answers() { timeout 1 xclip -o -selection clipboard >/dev/null 2>&1; }

# The clipboard's text, or "FROZEN" when its owner does not answer within 1 s.
clipboard_within_a_second() { timeout 1 xclip -o -selection clipboard 2>/dev/null || echo FROZEN; }
payload_or_frozen() { case "$(clipboard_within_a_second)" in WENDREL_V1:* | FROZEN) return 0 ;; *) return 1 ;; esac; }

# One read, with another owner's marker on the clipboard first, so that even a
# payload equal to the last one is seen arriving.
read_exactly() {
  local scenario=$1 read=$2 line
  printf 'soak read %s' "$read" | xclip -selection clipboard
  wait_until 5 clipboard_shows "soak read $read" || fail "the clipboard marker did not take"
  press_read
  wait_until 10 payload_or_frozen || fail "read $read: no payload within 10 s; the window shows: $(window_texts "$WENDREL_PID")"
  line=$(clipboard_within_a_second)
  [ "$line" != FROZEN ] || fail "read $read: Wendrel's window does not answer"
  [ "$(without_read_at "$line")" = "$(expected "$scenario")" ] || fail "read $read: clipboard: $line; expected: $(expected "$scenario")"
  window_answers || fail "after read $read Wendrel's window does not answer within 1 s"
}
clipboard_shows() { [ "$(clipboard_within_a_second)" = "$1" ]; }

case_soak() {
  start_listener
  start_standin three-options
  start_wendrel
  local scenario=three-options
  for read in $(seq 1 30); do
    if [ $((read % 4)) -eq 0 ]; then
      if [ "$scenario" = three-options ]; then scenario=three-options-changed; else scenario=three-options; fi
      change_standin "$scenario"
    fi
    read_exactly "$scenario" "$read"
  done
  ! grep -q libatspi "/proc/$WENDREL_PID/maps" || fail "libatspi is loaded into Wendrel"
  events_heard >"$WENDREL_E2E_DIR/events"
  echo "30 reads exact; the listener heard $(cat "$WENDREL_E2E_DIR/events") accessibility events"
}

# ---- The map application goes away or stops during a read ----
# A listener is registered, so that the applications publish their events.

# Waits until Wendrel's window shows its read button again and the read has
# ended one way or the other; prints how long after the press that took.
wait_for_read_end() {
  local pressed=$1
  wait_for_window_text "$WENDREL_PID" "读取当前高德货车结果" 10 || fail "Wendrel's window stays unresponsive"
  local waited_ms=$((($(date +%s%N) - pressed) / 1000000))
  echo "window answered again after ${waited_ms} ms"
  [ "$waited_ms" -le 3000 ] || fail "Wendrel's window was unresponsive for ${waited_ms} ms"
  wait_until 40 read_ended || fail "the read did not end; the window shows: $(window_texts "$WENDREL_PID")"
  kill -0 "$WENDREL_PID" 2>/dev/null || fail "Wendrel ended"
}
read_ended() { has_payload || shows_text "$WENDREL_PID" "未能读取"; }

# Starts a read of a large tree, to be interrupted in its middle; READ_PRESSED
# is when Return was pressed.
start_read_of_a_large_tree() {
  start_listener
  start_standin elements-3500
  start_wendrel
  READ_PRESSED=$(date +%s%N)
  press_read
  sleep 0.1
}

case_quit-during-read() {
  start_read_of_a_large_tree
  kill -TERM "$STANDIN_PID"
  wait "$STANDIN_PID" 2>/dev/null || true
  wait_for_read_end "$READ_PRESSED"
  # The next map application is read as if nothing had happened (the read
  # before may have put the same payload on the clipboard already).
  start_standin three-options
  read_exactly three-options after
}

case_stopped-during-read() {
  start_read_of_a_large_tree
  kill -STOP "$MAP_PID"
  wait_for_read_end "$READ_PRESSED"
  kill -CONT "$MAP_PID"
}

name=${1:-}
case "${2:-}" in
  gtk) export WENDREL_STANDIN=amap-standin-gtk WENDREL_STANDIN_OPTIONS=--churn ;;
  browser) export WENDREL_STANDIN=amap-standin-browser WENDREL_STANDIN_OPTIONS="--form ${3:-div}" ;;
  "") ;;
  *) echo "unknown stand-in: $2" >&2; exit 2 ;;
esac
declare -F "case_$name" >/dev/null || { echo "unknown case: $name" >&2; exit 2; }
"case_$name"
echo "PASS: $name"
