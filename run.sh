#!/usr/bin/env bash
# Builds Tabulon and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tabulon
exec build/bin/tabulon "$@"
