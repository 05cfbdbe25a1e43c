#!/usr/bin/env bash
# Installs what is missing, checks that no test uses a Qt test macro that
# cannot fail it and that the source folders stay layered, builds with
# AddressSanitizer and UndefinedBehaviorSanitizer, runs every test through
# ctest, then fuzzes the parsers of the datagram, the board file and the
# settings file.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --test
scripts/check-test-macros.sh
scripts/check-layers.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DQUORLBOARD_SANITIZE=ON -DQUORLBOARD_TESTS=ON -DQUORLBOARD_BENCH=ON >/dev/null
cmake --build build-test -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j2 "$@"
scripts/run-fuzz.sh 20
