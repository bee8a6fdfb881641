#!/usr/bin/env bash
# The macOS bundle's library check and inside-out signing, run here with
# stand-ins for otool and codesign: each case lays out a bundle whose Mach-O
# files carry their load commands in side files, and says whether the check
# must pass.
#   macos_bundle_test.sh PROJECT_ROOT
set -uo pipefail
project=${1:?usage: $0 PROJECT_ROOT}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"

# otool -h succeeds on files with a .loads side file; -L prints the file's
# name and then its loads; -l prints one LC_RPATH load command per line of
# the .rpaths side file.
cat > "$work/bin/otool" <<'TOOL'
#!/usr/bin/env bash
flag=$1 file=$2
[ -e "$file.loads" ] || exit 1
case "$flag" in
  -h) exit 0 ;;
  -L) echo "$file:"; sed 's/^/\t/; s/$/ (compatibility version 1.0.0)/' "$file.loads" ;;
  -l) [ -e "$file.rpaths" ] && while read -r p; do printf 'Load command 9\n          cmd LC_RPATH\n      cmdsize 48\n         path %s (offset 12)\n' "$p"; done < "$file.rpaths" ;;
esac
exit 0
TOOL
cat > "$work/bin/codesign" <<'TOOL'
#!/usr/bin/env bash
echo "$*" >> "$CODESIGN_LOG"
TOOL
chmod +x "$work/bin/otool" "$work/bin/codesign"
export PATH="$work/bin:$PATH"

# macho FILE LOAD... : a Mach-O file with these loads.
macho() {
  local file=$1; shift
  mkdir -p "$(dirname "$file")"
  : > "$file"
  printf '%s\n' "$@" > "$file.loads"
}

failures=0
expect() {
  local name=$1 want=$2 app=$3 got=pass
  "$project/scripts/check-macos-bundle.sh" "$app" > "$work/$name.log" 2>&1 || got=fail
  if [ "$got" != "$want" ]; then
    echo "FAIL $name: the check should $want"; cat "$work/$name.log"; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# new_app NAME: an app loading only the system and a library of its own.
new_app() {
  local app="$work/$1/Wendrel.app"
  macho "$app/Contents/MacOS/Wendrel" /usr/lib/libc++.1.dylib \
    /System/Library/Frameworks/AppKit.framework/Versions/C/AppKit @rpath/libicuuc.78.dylib
  echo "@executable_path/../Frameworks" > "$app/Contents/MacOS/Wendrel.rpaths"
  macho "$app/Contents/Frameworks/libicuuc.78.dylib" @rpath/libicuuc.78.dylib /usr/lib/libSystem.B.dylib
  echo "$app"
}

app=$(new_app selfContained); expect self-contained pass "$app"
app=$(new_app homebrew); echo /opt/homebrew/opt/icu4c/lib/libicudata.78.dylib >> "$app/Contents/Frameworks/libicuuc.78.dylib.loads"
expect loads-from-homebrew fail "$app"
app=$(new_app rpath); echo /opt/homebrew/lib >> "$app/Contents/MacOS/Wendrel.rpaths"
expect searches-homebrew fail "$app"
app=$(new_app missing); echo @rpath/libicui18n.78.dylib >> "$app/Contents/MacOS/Wendrel.loads"
expect rpath-library-missing fail "$app"
app=$(new_app escape); echo @loader_path/../../../outside.dylib >> "$app/Contents/MacOS/Wendrel.loads"; : > "$work/escape/outside.dylib"
expect loader-path-leaves-bundle fail "$app"
# A bundle with nested code of every kind, for the signing order.
app=$(new_app nested)
macho "$app/Contents/Frameworks/Sparkle.framework/Versions/B/Sparkle" /usr/lib/libc++.1.dylib
macho "$app/Contents/PlugIns/helpers/libhelper.dylib" /usr/lib/libc++.1.dylib
expect nested-code pass "$app"

# Signing: every nested item before what holds it, the app last, never --deep.
export CODESIGN_LOG="$work/codesign.log"
cmake -DBUNDLE="$app" -DIDENTITY="Developer ID Application: Test (TEAMID)" -DENTITLEMENTS=/dev/null \
  -P "$project/cmake/macos/sign_bundle.cmake" || { echo "FAIL signing ran"; failures=$((failures + 1)); }
signed=$(sed 's/.* //' "$CODESIGN_LOG" | sed "s|^$app|APP|")
want=$(printf '%s\n' APP/Contents/PlugIns/helpers/libhelper.dylib APP/Contents/Frameworks/Sparkle.framework \
  APP/Contents/Frameworks/libicuuc.78.dylib APP)
if [ "$signed" != "$want" ] || grep -q -- --deep "$CODESIGN_LOG" || ! tail -1 "$CODESIGN_LOG" | grep -q -- '--entitlements'; then
  echo "FAIL signing order"; cat "$CODESIGN_LOG"; failures=$((failures + 1))
else
  echo "ok   signs inside out"
fi
echo "$failures failed"
[ "$failures" -eq 0 ]
