#!/usr/bin/env bash
# Tests the Debian package on this machine, after scripts/test.sh has built
# build/ (the default preset):
#   1. builds build/wendrel_*.deb with CPack and installs it with apt;
#   2. checks that every library the installed programs load comes from a
#      package that the package's dependencies bring;
#   3. validates the installed desktop entry and metainfo, and runs the
#      end-to-end accessibility and screen-recognition reads and the window's
#      WM_CLASS check against /usr/bin/wendrel (the stand-in from build/bin);
#   4. removes the package with apt and checks that none of its files is left.
# Needs root or sudo. A wendrel package installed before is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
export DEBIAN_FRONTEND=noninteractive

scratch=$(mktemp -d "${TMPDIR:-/tmp}/wendrel-package.XXXXXX")
installed=
cleanup() {
  if [ -n "$installed" ]; then $sudo apt-get remove -y -qq wendrel >/dev/null 2>&1 || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "== $*"; }

step "building the package"
rm -f build/wendrel_*.deb
(cd build && cpack -G DEB >"$scratch/cpack.log") || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=(build/wendrel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one build/wendrel_*.deb, found: ${debs[*]}"

step "installing ${debs[0]}"
installed=yes
$sudo apt-get install -y -qq --reinstall "./${debs[0]}"
dpkg -L wendrel >"$scratch/files"
[ -x /usr/bin/wendrel ] && [ -x /usr/bin/wendrel-inspect ] || fail "the programs are not in /usr/bin"

step "checking the dependencies against the libraries the programs load"
# The package's dependencies and everything they depend on, recursively.
read -ra depends <<<"$(dpkg-query -W -f='${Depends}' wendrel | sed 's/([^)]*)//g; s/[,|]/ /g')"
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
  --no-enhances "${depends[@]}" | grep -v '^ ' | tr -d '<>' | sed 's/:.*//' | sort -u >"$scratch/closure"
# The package that owns a library, whichever of /lib and /usr/lib dpkg knows it by.
owner_of() {
  local path candidate
  path=$(readlink -f "$1")
  for candidate in "$1" "$path" "${path#/usr}" "/usr$1"; do
    dpkg -S "$candidate" 2>/dev/null | head -n1 | sed 's/:.*//' && return 0
  done
  return 1
}
missing=()
for library in $(ldd /usr/bin/wendrel /usr/bin/wendrel-inspect | awk '$2 == "=>" && $3 ~ /^\// { print $3 }' | sort -u); do
  package=$(owner_of "$library") || fail "no package owns $library"
  grep -qx "$package" "$scratch/closure" || missing+=("$package ($library)")
done
[ ${#missing[@]} -eq 0 ] || fail "libraries from packages the dependencies do not bring: ${missing[*]}"

step "validating the installed desktop entry and metainfo"
entry=$(grep -E '^/usr/share/applications/[^/]+\.desktop$' "$scratch/files") || fail "no desktop entry installed"
metainfo=$(grep -E '^/usr/share/metainfo/[^/]+\.metainfo\.xml$' "$scratch/files") || fail "no metainfo installed"
grep -qE '^/usr/share/icons/hicolor/scalable/apps/[^/]+\.svg$' "$scratch/files" || fail "no icon installed"
desktop-file-validate "$entry"
appstreamcli validate --no-net "$metainfo"

step "reading the stand-in with /usr/bin/wendrel"
export WENDREL_APP=/usr/bin/wendrel WENDREL_BIN="$root/build/bin"
tests/e2e/with-desktop.sh timeout -k 5 60 tests/e2e/accessibility_cases.sh three-options
tests/e2e/with-desktop.sh timeout -k 5 150 build/bin/screen-read-e2e labels-accessible \
  --standin build/bin/amap-standin --wendrel /usr/bin/wendrel --scenarios tests/fixtures/scenarios
tests/e2e/with-desktop.sh timeout -k 5 60 tests/packaging/desktop_entry_case.sh "$entry"

step "removing the package"
$sudo apt-get remove -y -qq wendrel
installed=
status=$(dpkg-query -W -f='${db:Status-Abbrev}' wendrel 2>/dev/null || true)
# Not installed, nor its configuration files kept (the package makes none).
[ -z "$status" ] || [ "${status:1:1}" = n ] || fail "after removal the package's status is '$status'"
left=()
while read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # A directory may stay when another package shares it or it holds
    # files of others (caches made by triggers).
    if [ -z "$(ls -A "$path")" ] && ! dpkg -S "$path" >/dev/null 2>&1; then left+=("$path/"); fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <"$scratch/files"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
echo "the package installs, reads the stand-in and removes cleanly"
