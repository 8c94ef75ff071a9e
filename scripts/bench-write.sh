#!/usr/bin/env bash
# Builds tabulon-cli and the write benchmark (RelWithDebInfo, engine only)
# into build-bench and runs it: a million-row CSV loaded into a new .accdb,
# exported by tabulon-cli and mdb-export, and compacted. Extra arguments go
# to write_bench (--rows N, --keep DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTABULON_BENCH=ON -DTABULON_ENGINE_ONLY=ON >/dev/null
cmake --build build-bench --target tabulon-cli write_bench -j "$(nproc)"
build-bench/bin/write_bench --cli build-bench/bin/tabulon-cli "$@"
