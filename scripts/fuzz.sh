#!/usr/bin/env bash
# Builds the fuzz preset (clang with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every fuzz target for SECONDS each
# (default 30), one after the other, starting from its committed seeds in
# fuzz/seeds/<target>. New inputs collect in build-fuzz/corpus/<target>; an
# input that breaks a check is written to build-fuzz/findings/ and the script
# fails. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(parse_texts parse_block route_blocks payload inspect); fi

cmake --preset fuzz -DWENDREL_WERROR=ON >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

mkdir -p build-fuzz/findings build-fuzz/logs
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  echo "== fuzz_$target for ${seconds}s"
  log=build-fuzz/logs/$target.log
  # One worker; -timeout flags an input that takes more than 10 s, the memory
  # limit one that needs more than 2 GB.
  if ! "build-fuzz/bin/fuzz_$target" "$corpus" "fuzz/seeds/$target" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
      -artifact_prefix="build-fuzz/findings/$target-" -print_final_stats=1 >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$target found a failing input (see build-fuzz/findings/)"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log"
done
