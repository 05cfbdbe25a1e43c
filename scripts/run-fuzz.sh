#!/usr/bin/env bash
# Builds the fuzz targets of the parsers that read what others wrote (the
# datagram, the board file, the settings file) with clang and libFuzzer in
# build-fuzz, runs each over its seed corpus in tests/fuzz/<target>/ and then
# on new inputs for a while. Fails when a target crashes, breaks one of its
# properties, runs out of time or memory. New inputs go to a scratch corpus
# in build-fuzz, a failing input to build-fuzz/artifacts/<target>/.
#
#   scripts/run-fuzz.sh [seconds per target] [target...]
#
# QUORL_FUZZ_BOARD_ROUNDTRIP=1 also has the store add a message to every
# board that loads: it must refuse and leave the file alone, or write a board
# that reads back with the same messages plus the new one.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(datagram board settings)
build=build-fuzz

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLBOARD_FUZZ=ON \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}" >/dev/null

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export QUORL_FUZZ_BOARD_ROUNDTRIP="${QUORL_FUZZ_BOARD_ROUNDTRIP:-0}"
# The board target writes files for every input: into memory where possible,
# and into a folder of their own that goes even when a target aborts.
scratch_root=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  scratch_root=/dev/shm
fi
TMPDIR=$(mktemp -d "$scratch_root/quorl-fuzz-XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

failed=()
for target in "${targets[@]}"; do
  scratch=$build/scratch/$target
  artifacts=$build/artifacts/$target
  log=$build/logs/$target.log
  rm -rf "$scratch" "$artifacts"
  mkdir -p "$scratch" "$artifacts" "$(dirname "$log")"
  options=(-seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
           -artifact_prefix="$artifacts/" -print_final_stats=1)
  if [ -f "tests/fuzz/$target.dict" ]; then
    options+=(-dict="tests/fuzz/$target.dict")
  fi
  if "$build/tests/fuzz/fuzz_$target" "${options[@]}" "$scratch" "tests/fuzz/$target" >"$log" 2>&1; then
    echo "fuzz $target: passed, $(grep -o 'Done [0-9]* runs' "$log" | cut -d' ' -f2) inputs"
  else
    echo "fuzz $target: FAILED; input in $artifacts/, log $log:"
    grep -E 'property failed|ERROR: |SUMMARY: ' "$log" | head -n 5
    failed+=("$target")
  fi
done
[ ${#failed[@]} -eq 0 ]
