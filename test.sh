#!/usr/bin/env bash
# Builds everything and runs the tests twice: a normal build, then the engine
# and its tests under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)
# Compiler results are shared between checkouts in other folders (CI builds
# a fresh clone): paths below the project are hashed relative to it.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

echo "== build (RelWithDebInfo)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
echo "== tests"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== build (engine with sanitizers)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTABULON_SANITIZE=ON -DTABULON_ENGINE_ONLY=ON >/dev/null
cmake --build build-asan -j "$jobs"
echo "== tests (sanitizers)"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs")
