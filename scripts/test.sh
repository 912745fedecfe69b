#!/usr/bin/env bash
# Sets up the machine, builds everything warning-free and runs every test:
# once in a normal build, once under AddressSanitizer + UndefinedBehaviorSanitizer
# (library, simulators and the display-free cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

jobs=$(nproc)
build=${SUITE_BUILD_DIR:-$root/build}
asan=${SUITE_ASAN_DIR:-$root/build-asan}

cmake -S "$root" -B "$build" -G Ninja -DSUITE_WERROR=ON
cmake --build "$build" -j"$jobs"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j1 --timeout 600)

cmake -S "$root" -B "$asan" -G Ninja -DSUITE_WERROR=ON -DSUITE_SANITIZE=ON -DSUITE_GUI=OFF \
  -DCMAKE_BUILD_TYPE=Debug
cmake --build "$asan" -j"$jobs"
(cd "$asan" && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j1 --timeout 900)
