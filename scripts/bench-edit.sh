#!/usr/bin/env bash
# Builds the in-place edit benchmark (RelWithDebInfo, engine only) into
# build-bench and runs it: single-row inserts, updates and deletes into a
# table with two indexes, each batch one transaction. Extra arguments go to
# edit_bench (--rows N, --version 64|256).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTABULON_BENCH=ON -DTABULON_ENGINE_ONLY=ON >/dev/null
cmake --build build-bench --target edit_bench -j "$(nproc)"
build-bench/bin/edit_bench "$@"
