#!/usr/bin/env bash
# End-to-end reads through the accessibility tree: the stand-in map
# application and Wendrel under tests/e2e/with-desktop.sh.
#
# Usage (inside the stack): tests/e2e/accessibility_cases.sh CASE
#   three-options       a three-option panel in panel-text mode
#   changed-panel       the panel changes between two reads
#   map-not-running     no map application: the failure shows in Wendrel's window
#   elements-3500       a tree beyond the 3,500-element limit
#   stopped-map         the map application is stopped (SIGSTOP) during the read
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
  kill -STOP "$STANDIN_PID"
  local pressed
  pressed=$(date +%s%N)
  press_read
  wait_for_window_text "$WENDREL_PID" "读取当前高德货车结果" 10 || fail "Wendrel's window stays unresponsive"
  local waited_ms=$((($(date +%s%N) - pressed) / 1000000))
  echo "window answered again after ${waited_ms} ms"
  [ "$waited_ms" -le 3000 ] || fail "Wendrel's window was unresponsive for ${waited_ms} ms"
  wait_until 40 read_went_on || fail "the read did not go on to screen recognition; the window shows: $(window_texts "$WENDREL_PID")"
  kill -CONT "$STANDIN_PID"
}
read_went_on() { has_payload || shows_text "$WENDREL_PID" "没有找到完整的货车路线结果"; }

name=${1:-}
declare -F "case_$name" >/dev/null || { echo "unknown case: $name" >&2; exit 2; }
"case_$name"
echo "PASS: $name"
