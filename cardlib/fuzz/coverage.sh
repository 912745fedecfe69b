#!/usr/bin/env bash
# Line coverage of the card library reached by a corpus of fuzz_card_stack.
#   bash cardlib/fuzz/coverage.sh [CORPUS_DIR...]
# Builds the target in build-fuzzcov (clang, -DSUITE_FUZZ_COVERAGE=ON), runs
# every input once and prints llvm-cov's report for cardlib/src, file by file.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${FUZZ_COVERAGE_BUILD:-$root/build-fuzzcov}"
corpora=("$@")
[ ${#corpora[@]} -gt 0 ] || corpora=("$root/cardlib/fuzz/corpus/fuzz_card_stack")

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DSUITE_FUZZ=ON -DSUITE_FUZZ_COVERAGE=ON -DSUITE_GUI=OFF >/dev/null
fi
cmake --build "$build" --target fuzz_card_stack -j2 >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
LLVM_PROFILE_FILE="$work/run.profraw" "$build/cardlib/fuzz/fuzz_card_stack" -runs=0 \
    "${corpora[@]}" >/dev/null 2>&1
llvm-profdata merge -o "$work/run.profdata" "$work/run.profraw"
llvm-cov report "$build/cardlib/fuzz/fuzz_card_stack" -instr-profile="$work/run.profdata" \
    -ignore-filename-regex='(/fuzz/|/include/|^/usr/)' \
    | awk 'NR == 1 { printf "%-32s %8s %8s %8s\n", "file", "lines", "missed", "cover"; next }
           /^-|^Files which|^$/ { next } { printf "%-32s %8s %8s %8s\n", $1, $8, $9, $10 }'
