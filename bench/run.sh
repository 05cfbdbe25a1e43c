#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them; the ratios of each store
# operation to its bare libxml2 floor are printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQUORLBOARD_TESTS=OFF -DQUORLBOARD_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target bench_board_store
exec build-bench/bench/bench_board_store --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
