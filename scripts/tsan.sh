#!/usr/bin/env bash
# ThreadSanitizer pass over the threaded cores: the editor's Load and Save
# workers (brisken_card_flow_tests) and the tester's engine with its test
# threads (orrick_engine_tests), built in build-tsan and run with the first
# report failing the run.
#
#   TSAN_BUILD_DIR build folder (default <root>/build-tsan)
#   TSAN_JOBS      build jobs (default: the number of processors)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TSAN_BUILD_DIR:-$root/build-tsan}
jobs=${TSAN_JOBS:-$(nproc)}
tests=(brisken_card_flow_tests orrick_engine_tests)

cmake -S "$root" -B "$build" -G Ninja -DSUITE_WERROR=ON -DSUITE_GUI=OFF -DSUITE_TSAN=ON >/dev/null
cmake --build "$build" --target "${tests[@]}" -j"$jobs"

status=0
for t in "${tests[@]}"; do
  binary=$(find "$build" -type f -name "$t" -perm -u+x | head -n1)
  if [ -z "$binary" ]; then
    echo "tsan: $t was not built" >&2
    status=1
    continue
  fi
  echo "tsan: $t"
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" QT_QPA_PLATFORM=offscreen \
    "$binary" --gtest_brief=1 </dev/null || status=1
done
exit "$status"
