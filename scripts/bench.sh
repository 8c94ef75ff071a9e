#!/usr/bin/env bash
# Builds the benchmarks (RelWithDebInfo, engine only) into build-bench and
# runs the scan benchmark: the engine against mdb-export on the larger
# fixtures. Extra arguments go to scan_bench (--repeat N, files).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTABULON_BENCH=ON -DTABULON_ENGINE_ONLY=ON >/dev/null
cmake --build build-bench --target scan_bench -j "$(nproc)"
build-bench/bin/scan_bench "$@"
