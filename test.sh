#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test through ctest, then fuzzes the
# parsers of the datagram, the board file and the settings file.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DQUORLBOARD_SANITIZE=ON -DQUORLBOARD_TESTS=ON >/dev/null
cmake --build build-test -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j2 "$@"
scripts/run-fuzz.sh 20
