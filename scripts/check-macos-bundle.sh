#!/usr/bin/env bash
# Checks that Wendrel.app loads nothing from outside itself and the system:
# a dispatcher's Mac has no Homebrew. Every Mach-O file of the bundle may
# load libraries only from /System/, /usr/lib/, or from inside the bundle
# (@rpath, @executable_path or @loader_path to a file that is there), and
# may search only paths inside the bundle (LC_RPATH).
#
#   scripts/check-macos-bundle.sh build-macos/bin/Wendrel.app
#
# Exit status 0 when the bundle is self-contained, 1 with every offending
# file and path listed otherwise. Needs otool (Xcode's command-line tools).
set -euo pipefail

app=${1:?usage: $0 Wendrel.app}
app=${app%/}
frameworks="$app/Contents/Frameworks"
executables="$app/Contents/MacOS"
faults=0

fault() {
  echo "::error::$1"
  faults=$((faults + 1))
}

# The file a bundle-relative reference names, or nothing when it leaves the bundle.
resolved() {
  local reference=$1 loader_dir=$2 path
  case "$reference" in
    @rpath/*) path="$frameworks/${reference#@rpath/}" ;;
    @executable_path/*) path="$executables/${reference#@executable_path/}" ;;
    @loader_path/*) path="$loader_dir/${reference#@loader_path/}" ;;
    *) return 1 ;;
  esac
  [ -e "$path" ] || return 1
  path=$(cd "$(dirname "$path")" && pwd -P)/$(basename "$path")
  case "$path" in
    "$(cd "$app" && pwd -P)"/*) echo "$path" ;;
    *) return 1 ;;
  esac
}

check_file() {
  local file=$1 dir
  dir=$(dirname "$file")
  # The first line names the file; a library's own install name comes next.
  while read -r reference _; do
    case "$reference" in
      /System/* | /usr/lib/*) ;;
      @rpath/* | @executable_path/* | @loader_path/*)
        resolved "$reference" "$dir" > /dev/null || fault "$file loads $reference, which is not in the bundle" ;;
      *) fault "$file loads $reference from outside the bundle and the system" ;;
    esac
  done < <(otool -L "$file" | tail -n +2)

  while read -r search; do
    case "$search" in
      @executable_path/* | @loader_path/*) ;;
      *) fault "$file searches $search (LC_RPATH) outside the bundle" ;;
    esac
  done < <(otool -l "$file" | awk '/cmd LC_RPATH/ { rpath = 1 } rpath && $1 == "path" { print $2; rpath = 0 }')
}

[ -d "$app/Contents" ] || { echo "::error::$app is no application bundle"; exit 1; }
while IFS= read -r -d '' file; do
  # Only Mach-O files: otool -h fails on anything else.
  otool -h "$file" > /dev/null 2>&1 || continue
  check_file "$file"
done < <(find "$app/Contents" -type f -print0)

if [ "$faults" -gt 0 ]; then
  echo "$app: $faults faults"
  exit 1
fi
echo "$app loads nothing from outside itself, /System and /usr/lib"
