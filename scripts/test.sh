#!/usr/bin/env bash
# Sets up the machine, builds everything warning-free and runs every test:
# once in a normal build, once under AddressSanitizer + UndefinedBehaviorSanitizer
# (library, simulators and the display-free cores), then the Windows DLLs, a
# short fuzz pass and the ThreadSanitizer tests of the threaded cores.
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

# The Windows DLLs, cross-built with MinGW-w64 and tested under Wine; the pcscd
# tests reach the sandbox through the bridge of the Linux tree above. Skipped
# with a note when the cross compiler or Wine is missing.
status=0
if command -v i686-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  windows=${SUITE_WINDOWS_DIR:-$root/build-windows}
  cmake -S "$root" -B "$windows" -G Ninja -DSUITE_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DSUITE_LINUX_BUILD_DIR="$build"
  cmake --build "$windows" -j"$jobs"
  # A server and the prefix's services started now, away from ctest's pipes,
  # which they would otherwise hold open; stopped after the tests.
  export WINEPREFIX="$windows/wineprefix" WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES='mscoree,mshtml='
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
  (cd "$windows" && ctest --output-on-failure -j1 --timeout 600) || status=$?
  wineserver -k </dev/null >/dev/null 2>&1 || true
else
  echo "test: Windows step skipped (no i686-w64-mingw32-g++-posix or wine)"
fi

# The short fuzz pass over every fuzz_* target (clang build in build-fuzz),
# then the threaded cores' tests under ThreadSanitizer (build-tsan).
bash "$root/scripts/fuzz.sh" || status=1
bash "$root/scripts/tsan.sh" || status=1
exit "$status"
