# Helpers for end-to-end cases; source this file inside tests/e2e/with-desktop.sh.
#
#   WENDREL_BIN        directory of the built programs (default: build/bin)
#   WENDREL_APP        the wendrel program (default: $WENDREL_BIN/wendrel)
#   WENDREL_STANDIN    the stand-in program in WENDREL_BIN (default: amap-standin;
#                      amap-standin-gtk is the GTK one, amap-standin-browser the
#                      page in Chromium), WENDREL_STANDIN_OPTIONS its further
#                      options
#   e2e_spawn CMD...   starts a background process that the stack ends afterwards
#   start_standin SCENARIO          the stand-in map application; sets STANDIN_PID,
#                                   and MAP_PID to the process that owns its
#                                   window and tree (the browser's, for the page)
#   change_standin SCENARIO         shows another scenario in the running stand-in
#   start_wendrel                   Wendrel; sets WENDREL_PID and WENDREL_WINDOW
#   start_listener                  an accessibility event listener; events_heard
#                                   stops it and prints how many events it saw
#   press_read                      presses Return in Wendrel's window
#   clipboard_text                  the clipboard's text, empty when none
#   wait_for_payload [SECONDS]      waits for a payload on the clipboard, prints it
#   without_read_at LINE            the payload line with its readAt emptied
#   window_texts PID                the texts of PID's accessibility tree (JSON)
#   wait_for_window_text PID TEXT [SECONDS]
#   fail MESSAGE                    prints the message and ends the case with 1

e2e_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
WENDREL_BIN="${WENDREL_BIN:-$e2e_root/build/bin}"
WENDREL_APP="${WENDREL_APP:-$WENDREL_BIN/wendrel}"
WENDREL_SCENARIOS="${WENDREL_SCENARIOS:-$e2e_root/tests/fixtures/scenarios}"
WENDREL_STANDIN="${WENDREL_STANDIN:-amap-standin}"
WENDREL_STANDIN_OPTIONS="${WENDREL_STANDIN_OPTIONS:-}"
: "${WENDREL_E2E_DIR:?source lib.sh inside tests/e2e/with-desktop.sh}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

e2e_spawn() {
  "$@" &
  local pid=$!
  echo "$pid" >>"$WENDREL_E2E_DIR/pids"
  E2E_LAST_PID=$pid
}

# A scenario name from tests/fixtures/scenarios, or a path to a JSON file.
scenario_file() {
  if [ -f "$1" ]; then echo "$1"; else echo "$WENDREL_SCENARIOS/$1.json"; fi
}

# Polls COMMAND every 0.1 s until it succeeds or SECONDS pass.
wait_until() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

standin_generation=0
standin_shows() { grep -qx "ready $1" "$WENDREL_E2E_DIR/standin.out"; }
joined_bus() { [ "$(window_texts "$1")" != "[]" ]; }

start_standin() {
  cp "$(scenario_file "$1")" "$WENDREL_E2E_DIR/scenario.json"
  # shellcheck disable=SC2086 # the options are words
  e2e_spawn "$WENDREL_BIN/$WENDREL_STANDIN" --scenario "$WENDREL_E2E_DIR/scenario.json" $WENDREL_STANDIN_OPTIONS \
    >"$WENDREL_E2E_DIR/standin.out" 2>"$WENDREL_E2E_DIR/standin.err"
  STANDIN_PID=$E2E_LAST_PID
  standin_generation=1
  wait_until 30 standin_shows 1 || fail "the stand-in did not show $1: $(cat "$WENDREL_E2E_DIR/standin.err")"
  MAP_PID=$(sed -n 's/^map-pid \([0-9]*\)$/\1/p' "$WENDREL_E2E_DIR/standin.out")
  MAP_PID=${MAP_PID:-$STANDIN_PID}
  wait_until 15 joined_bus "$MAP_PID" || fail "the stand-in did not join the accessibility bus"
}

change_standin() {
  cp "$(scenario_file "$1")" "$WENDREL_E2E_DIR/scenario.json"
  kill -USR1 "$STANDIN_PID"
  standin_generation=$((standin_generation + 1))
  wait_until 10 standin_shows "$standin_generation" || fail "the stand-in did not show $1"
}

wendrel_window() { xdotool search --onlyvisible --pid "$WENDREL_PID" 2>/dev/null | head -n1; }
has_wendrel_window() { [ -n "$(wendrel_window)" ]; }

start_wendrel() {
  e2e_spawn "$WENDREL_APP" >"$WENDREL_E2E_DIR/wendrel.out" 2>"$WENDREL_E2E_DIR/wendrel.err"
  WENDREL_PID=$E2E_LAST_PID
  wait_until 15 has_wendrel_window || fail "Wendrel's window did not appear: $(cat "$WENDREL_E2E_DIR/wendrel.err")"
  WENDREL_WINDOW=$(wendrel_window)
  wait_until 15 joined_bus "$WENDREL_PID" || fail "Wendrel did not join the accessibility bus"
}

# Focuses Wendrel's window (there is no window manager) and presses Return.
press_read() {
  xdotool windowfocus --sync "$WENDREL_WINDOW" 2>/dev/null || xdotool windowfocus "$WENDREL_WINDOW"
  xdotool key --clearmodifiers Return
}

clipboard_text() { xclip -o -selection clipboard 2>/dev/null || true; }
has_payload() { clipboard_text | grep -q '^WENDREL_V1:'; }

wait_for_payload() {
  wait_until "${1:-15}" has_payload || return 1
  clipboard_text
}

without_read_at() { printf '%s\n' "$1" | sed 's/"readAt":"[^"]*"/"readAt":""/'; }

window_texts() { "$WENDREL_BIN/a11y-dump" "$1"; }

shows_text() { window_texts "$1" | grep -qF -- "$2"; }
wait_for_window_text() { wait_until "${3:-10}" shows_text "$1" "$2"; }

listening() { grep -qx listening "$WENDREL_E2E_DIR/listener.out"; }
start_listener() {
  e2e_spawn "$WENDREL_BIN/a11y-listen" >"$WENDREL_E2E_DIR/listener.out" 2>"$WENDREL_E2E_DIR/listener.err"
  LISTENER_PID=$E2E_LAST_PID
  wait_until 10 listening || fail "the event listener did not register: $(cat "$WENDREL_E2E_DIR/listener.err")"
}
# Stops the listener (in this shell, which started it) and prints how many
# events it heard.
events_heard() {
  kill -TERM "$LISTENER_PID"
  wait "$LISTENER_PID" 2>/dev/null || true
  sed -n 's/^events //p' "$WENDREL_E2E_DIR/listener.out"
}
