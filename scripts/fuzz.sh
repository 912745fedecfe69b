#!/usr/bin/env bash
# The short fuzz pass: builds every fuzz_* target with clang in build-fuzz and
# runs each for a fixed time on a copy of its committed seed corpus (the
# corpus in the tree is never written). Fails when a target finds
# something; the input that did it is kept in the build folder's
# fuzz-findings/ and printed.
#
#   FUZZ_SECONDS   time per target (default 20)
#   FUZZ_BUILD_DIR build folder (default <root>/build-fuzz)
#   FUZZ_JOBS      build jobs (default: the number of processors)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-$(nproc)}

for tool in clang clang++; do
  if ! command -v "$tool" >/dev/null; then
    echo "fuzz: $tool is missing (scripts/setup.sh installs it)" >&2
    exit 1
  fi
done

cmake -S "$root" -B "$build" -G Ninja -DSUITE_WERROR=ON -DSUITE_GUI=OFF -DSUITE_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target suite_fuzz_all -j"$jobs"

list="$build/fuzz_targets.txt"
findings="$build/fuzz-findings"
work=$(mktemp -d "${TMPDIR:-/tmp}/suite-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$findings"

status=0
while IFS=$'\t' read -r name binary corpus; do
  [ -n "$name" ] || continue
  copy="$work/$name"
  mkdir -p "$copy"
  if [ -d "$corpus" ]; then
    cp -r "$corpus/." "$copy/"
  else
    echo "fuzz: $name has no seed corpus ($corpus); starting empty"
  fi
  log="$work/$name.log"
  start=$(date +%s)
  if ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$binary" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$findings/$name-" "$copy" >"$log" 2>&1 </dev/null; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    echo "fuzz: $name: ${runs:-?} runs in $(($(date +%s) - start)) s, nothing found"
  else
    echo "fuzz: $name FOUND A PROBLEM; its log ends:" >&2
    tail -n 40 "$log" >&2
    ls -1 "$findings/$name-"* 2>/dev/null >&2 || true
    status=1
  fi
done <"$list"
exit "$status"
