#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all. Each program prints
# its ratios after its timings (store operations against their bare libxml2
# floor, the title list's Reload against LoadMessages, ...); all the ratio
# tables are repeated at the end.
# QUORL_BENCH_BUILD_DIR chooses the build folder (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${QUORL_BENCH_BUILD_DIR:-build-bench}
benches=(bench_board_store bench_board_view bench_attach_copy)
memory=bench_board_memory
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORLBOARD_TESTS=OFF -DQUORLBOARD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target "${benches[@]}" "$memory"

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
for bench in "${benches[@]}"; do
    echo "== $bench"
    "$build/bench/$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@" | tee "$logs/$bench.txt"
    echo
done

echo "== $memory (resident size the store adds)"
"$build/bench/$memory"
echo

echo "== ratios"
for bench in "${benches[@]}"; do
    # A table from its "operation" heading on, or single "ratio" lines.
    awk '/^operation /{table=1} table || /^ratio /' "$logs/$bench.txt"
done
