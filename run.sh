#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUORLBOARD_TESTS=OFF >/dev/null
cmake --build build -j2 --target quorlboard quorlboard-cli
exec build/src/quorlboard "$@"
