#!/usr/bin/env bash
# What Wendrel does outside its window during a full read, watched with strace:
# one read through the accessibility tree, then one through screen recognition
# (a labels-mode panel gives the tree no route). The case fails when Wendrel
#   - opens a socket that is not a local (AF_UNIX) one, or connects to any
#     socket but the X server's, the session bus's and the accessibility bus's;
#   - creates, writes, truncates, renames or deletes a file, or makes or removes
#     a directory, outside the caches named below.
# Before that it runs the same check over strace logs of commands that write a
# file and open an Internet socket, and fails unless the check finds both.
#
# Usage (inside tests/e2e/with-desktop.sh): tests/e2e/privacy_cases.sh
#        tests/e2e/privacy_cases.sh check LOG   (the check alone, over a log)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

traced_calls=%file,socket,connect,bind
traced() { strace -f -qq -o "$1" -e trace="$traced_calls" "${@:2}"; }

# Paths Wendrel may create or write, each for a reason (CACHE is
# $XDG_CACHE_HOME, by default ~/.cache):
#   CACHE                          made when missing, for the two caches below
#   CACHE/fontconfig/*             fontconfig's cache of the installed fonts
#   CACHE/event-sound-cache.tdb.*  libcanberra's cache of sound-theme lookups for
#                                  the success and alert sounds (names of sound
#                                  events, nothing read from the map)
#   $XDG_RUNTIME_DIR               Qt makes its runtime directory when missing
#                                  (it writes nothing in it)
writable_path() {
  local cache=${XDG_CACHE_HOME:-$HOME/.cache}
  case "$1" in
    "$cache" | "$cache/fontconfig" | "$cache/fontconfig/"*) return 0 ;;
    "$cache/event-sound-cache.tdb."*) return 0 ;;
    "${XDG_RUNTIME_DIR:-/nonexistent}") return 0 ;;
  esac
  return 1
}

# The socket path of a D-Bus address "unix:path=P,..." or "unix:abstract=P,...".
bus_socket() {
  case "$1" in
    unix:path=*) local p=${1#unix:path=}; echo "${p%%,*}" ;;
    unix:abstract=*) local p=${1#unix:abstract=}; echo "@${p%%,*}" ;;
  esac
}

# The local sockets Wendrel may connect to: the X server's (Xvfb's on this
# display, abstract or in /tmp/.X11-unix), the session bus and the
# accessibility bus.
allowed_sockets=()
learn_allowed_sockets() {
  local display=${DISPLAY:-:0}
  display=${display#:}
  display=${display%%.*}
  allowed_sockets=("/tmp/.X11-unix/X$display" "@/tmp/.X11-unix/X$display")
  [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || allowed_sockets+=("$(bus_socket "$DBUS_SESSION_BUS_ADDRESS")")
  local a11y
  a11y=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress 2>/dev/null | tr -d ' ') || true
  [ -z "$a11y" ] || allowed_sockets+=("$(bus_socket "$a11y")")
}
allowed_socket() {
  local s
  for s in "${allowed_sockets[@]}"; do [ "$1" = "$s" ] && return 0; done
  return 1
}

# Every quoted path in an strace argument list, one a line.
quoted_paths() { grep -oE '"([^"\\]|\\.)*"' <<<"$1" | sed 's/^"//; s/"$//'; }

# Prints each call in the strace log that breaks the rules; false when any does.
# A call that failed (= -1 E...) made nothing and is left out; a call whose end
# is on a later line ("unfinished") is judged as if it succeeded.
check_log() {
  local log=$1 bad=0 line call args path flagged
  while IFS= read -r line; do
    [[ $line =~ ^[0-9]+\ +([a-z0-9_]+)\((.*)$ ]] || continue
    call=${BASH_REMATCH[1]}
    args=${BASH_REMATCH[2]}
    [[ $args =~ \)\ +=\ -1\ E ]] && continue
    flagged=
    case "$call" in
      socket)
        [[ $args =~ ^(AF_UNIX|AF_LOCAL), ]] || flagged="a socket that is not local" ;;
      connect | bind)
        if [[ $args =~ sa_family=AF_UNIX,\ sun_path=(@?)\"([^\"]*)\" ]]; then
          allowed_socket "${BASH_REMATCH[1]}${BASH_REMATCH[2]}" || flagged="a local socket that is neither the X server's nor a bus's"
        else
          flagged="an address that is not a local socket"
        fi ;;
      open | openat | openat2)
        if [[ $args =~ O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND ]]; then
          path=$(quoted_paths "$args" | head -n1)
          writable_path "$path" || flagged="a file opened for writing"
        fi ;;
      creat | mkdir | mkdirat | rmdir | rename | renameat | renameat2 | unlink | unlinkat | truncate | \
        link | linkat | symlink | symlinkat | mknod | mknodat | chmod | fchmodat | chown | lchown | fchownat | \
        utime | utimes | utimensat | futimesat | setxattr | lsetxattr | removexattr | lremovexattr)
        while IFS= read -r path; do
          writable_path "$path" || flagged="a file created, changed or removed"
        done < <(quoted_paths "$args") ;;
    esac
    if [ -n "$flagged" ]; then
      echo "$flagged: $line"
      bad=1
    fi
  done <"$log"
  return "$bad"
}

# The check must find a written file and an Internet socket in real strace logs.
self_check() {
  local log="$WENDREL_E2E_DIR/self-check.strace"
  traced "$log" sh -c ': >"$1"' sh "$WENDREL_E2E_DIR/deliberate-write"
  ! check_log "$log" >/dev/null || { echo "FAIL: the check missed a file written on purpose" >&2; exit 1; }
  traced "$log" bash -c 'exec 3<>/dev/tcp/127.0.0.1/9' 2>/dev/null || true
  ! check_log "$log" >/dev/null || { echo "FAIL: the check missed an Internet socket" >&2; exit 1; }
  echo "self-check: a deliberate write and an Internet socket are both caught"
}

if [ "${1:-}" = check ]; then
  learn_allowed_sockets
  check_log "$2"
  exit
fi

source "$here/lib.sh"

clipboard_shows_marker() { [ "$(clipboard_text)" = "$marker" ]; }

read_ended() { has_payload || shows_text "$WENDREL_PID" "未能读取"; }
# Wendrel is strace's child: the process whose parent is strace.
wendrel_started() {
  local stat line fields
  for stat in /proc/[0-9]*/stat; do
    { read -r line <"$stat"; } 2>/dev/null || continue
    # After the command name in parentheses: the state, then the parent.
    read -r -a fields <<<"${line##*) }"
    if [ "${fields[1]:-}" = "$STRACE_PID" ]; then
      WENDREL_PID=${stat#/proc/}
      WENDREL_PID=${WENDREL_PID%/stat}
      return 0
    fi
  done
  return 1
}

# One read with another owner's marker on the clipboard; it must end in a
# payload or a failure shown in the window.
read_once() {
  marker="privacy read $1"
  printf '%s' "$marker" | xclip -selection clipboard
  wait_until 5 clipboard_shows_marker || fail "the clipboard marker did not take"
  press_read
  wait_until 60 read_ended || fail "read $1 did not end; the window shows: $(window_texts "$WENDREL_PID")"
  echo "read $1: $(clipboard_text | head -c 100)"
}

self_check
learn_allowed_sockets
log="$WENDREL_E2E_DIR/wendrel.strace"
start_standin three-options
e2e_spawn strace -f -qq -o "$log" -e trace="$traced_calls" "$WENDREL_APP" >"$WENDREL_E2E_DIR/wendrel.out" 2>"$WENDREL_E2E_DIR/wendrel.err"
STRACE_PID=$E2E_LAST_PID
wait_until 15 wendrel_started || fail "Wendrel did not start under strace"
echo "$WENDREL_PID" >>"$WENDREL_E2E_DIR/pids"
wait_until 30 has_wendrel_window || fail "Wendrel's window did not appear"
# shellcheck disable=SC2034 # press_read (lib.sh) presses keys in this window
WENDREL_WINDOW=$(wendrel_window)
wait_until 30 joined_bus "$WENDREL_PID" || fail "Wendrel did not join the accessibility bus"

read_once accessibility
change_standin labels
read_once recognition
kill -TERM "$WENDREL_PID"
wait "$STRACE_PID" 2>/dev/null || true

echo "$(wc -l <"$log") calls traced"
check_log "$log" || fail "Wendrel reached beyond its window (above)"
echo "PASS: privacy"
