#!/usr/bin/env bash
# The desktop entry's StartupWMClass names Wendrel's window: starts Wendrel
# inside tests/e2e/with-desktop.sh and compares the class part of its
# window's WM_CLASS with the entry's StartupWMClass.
#
# Usage (inside the stack): tests/packaging/desktop_entry_case.sh DESKTOP_FILE
# WENDREL_APP picks the program (see tests/e2e/lib.sh).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../e2e/lib.sh"

entry=${1:?usage: desktop_entry_case.sh DESKTOP_FILE}
expected=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$expected" ] || fail "$entry has no StartupWMClass"

start_wendrel
# WM_CLASS(STRING) = "instance", "class"
wm_class=$(xprop -id "$WENDREL_WINDOW" WM_CLASS)
class=$(printf '%s\n' "$wm_class" | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
[ "$class" = "$expected" ] || fail "the window's $wm_class; the entry's StartupWMClass is $expected"
echo "WM_CLASS class $class matches the desktop entry"
