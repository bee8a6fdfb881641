#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Wendrel twice (release with debug info,
# and with AddressSanitizer + UndefinedBehaviorSanitizer) with warnings as
# errors, and runs the tests: everything in the default build, the unit tests
# in the sanitizer build; then builds the fuzz targets with clang and runs each
# for 30 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh

jobs=$(nproc)
for preset in default asan; do
  cmake --preset "$preset" -DWENDREL_WERROR=ON
  cmake --build --preset "$preset" -j "$jobs"
done

ctest --preset default -j "$jobs"
ctest --preset asan -j "$jobs"
./scripts/fuzz.sh 30
