#!/usr/bin/env bash
# Runs COMMAND inside a private desktop stack and tears the stack down again:
#   - Xvfb on a free display (-displayfd) with the Composite extension (unless
#     WENDREL_E2E_COMPOSITE=off),
#   - a private D-Bus session bus (dbus-run-session),
#   - the accessibility bus (at-spi-bus-launcher) with its registry,
#   - QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 so that Qt programs expose their tree.
#
# Usage: tests/e2e/with-desktop.sh COMMAND [ARGS...]
#
# COMMAND's exit status is returned. Inside, WENDREL_E2E_DIR is a scratch
# directory removed afterwards; processes started with e2e_spawn (lib.sh) are
# ended when COMMAND ends, whether it passed, failed or was interrupted.
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Whether the process is there and not a zombie waiting to be reaped.
running() {
  local state
  state=$(sed -n 's/^.*) \(.\).*/\1/p' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Ends a child of this shell: SIGTERM, up to 3 s to go, then SIGKILL. A
# daemon that does not act on SIGTERM in time (one waiting on a bus under
# load, say) must not keep the run waiting until its time limit.
end_child() {
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 60); do
    running "$1" || break
    sleep 0.05
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# Second stage: inside the private session bus.
if [ "${WENDREL_E2E_STAGE:-}" = session ]; then
  unset WENDREL_E2E_STAGE
  launcher_pid=
  stop_session() {
    if [ -f "$WENDREL_E2E_DIR/pids" ]; then
      # Stopped processes get SIGCONT so that they can act on SIGTERM.
      while read -r pid; do kill -CONT "$pid" 2>/dev/null || true; kill -TERM "$pid" 2>/dev/null || true; done < "$WENDREL_E2E_DIR/pids"
      sleep 0.2
      while read -r pid; do kill -KILL "$pid" 2>/dev/null || true; done < "$WENDREL_E2E_DIR/pids"
    fi
    if [ -n "$launcher_pid" ]; then end_child "$launcher_pid"; fi
  }
  trap stop_session EXIT
  trap 'exit 130' INT TERM
  # The launcher takes "accessibility on" from --a11y=1, but goes back to the
  # settings' value when the settings database loads after it started; so the
  # (private) settings say "on" too.
  if command -v gsettings >/dev/null; then
    gsettings set org.gnome.desktop.interface toolkit-accessibility true 2>/dev/null || true
  fi
  /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1 >"$WENDREL_E2E_DIR/at-spi-bus.log" 2>&1 &
  launcher_pid=$!
  for _ in $(seq 100); do
    if dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1; then break; fi
    sleep 0.05
  done
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  export NO_AT_BRIDGE=0
  status=0
  "$@" || status=$?
  exit "$status"
fi

# First stage: the X server, then the session bus around the second stage.
WENDREL_E2E_DIR="$(mktemp -d "${TMPDIR:-/tmp}/wendrel-e2e.XXXXXX")"
export WENDREL_E2E_DIR
xvfb_pid=
stop_display() {
  if [ -n "$xvfb_pid" ]; then end_child "$xvfb_pid"; fi
  rm -rf "$WENDREL_E2E_DIR"
}
trap stop_display EXIT
trap 'exit 130' INT TERM

# -noreset: without it the server resets whenever its last client leaves (the
# accessibility bus launcher, say), and a program connecting in that moment is
# refused. WENDREL_E2E_COMPOSITE=off leaves Composite out: no window can be
# captured, so a payload can only have come through the accessibility tree.
composite=+extension
if [ "${WENDREL_E2E_COMPOSITE:-on}" = off ]; then composite=-extension; fi
Xvfb -displayfd 3 -screen 0 1920x1080x24 "$composite" Composite -nolisten tcp -noreset \
  3>"$WENDREL_E2E_DIR/display" >"$WENDREL_E2E_DIR/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$WENDREL_E2E_DIR/display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then cat "$WENDREL_E2E_DIR/xvfb.log" >&2; exit 1; fi
  sleep 0.05
done
if [ ! -s "$WENDREL_E2E_DIR/display" ]; then
  echo "with-desktop: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$WENDREL_E2E_DIR/display")"
# Sockets of the buses and the programs' runtime files stay in the scratch
# directory, apart from any other session of the same user.
export XDG_RUNTIME_DIR="$WENDREL_E2E_DIR/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# Settings too: the stack switches accessibility on in its own settings
# database, never in the user's.
export XDG_CONFIG_HOME="$WENDREL_E2E_DIR/config"
mkdir -m 700 "$XDG_CONFIG_HOME"
export XDG_SESSION_TYPE=x11
export QT_QPA_PLATFORM=xcb

status=0
WENDREL_E2E_STAGE=session dbus-run-session -- "$here/with-desktop.sh" "$@" || status=$?
exit "$status"
