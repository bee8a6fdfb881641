#!/usr/bin/env bash
# The worked example of docs/payload.md is, byte for byte, the line that
# wendrel-inspect parse prints for examples/route-panel.json at its readAt.
#
# Usage: worked_example.sh WENDREL_INSPECT PANEL DOC
set -euo pipefail
line=$("$1" parse --date 2026-12-06T08:51:08Z <"$2")
grep -qxF -- "$line" "$3" || { echo "FAIL: $3 does not show the line: $line" >&2; exit 1; }
