#!/usr/bin/env bash
# Builds the libFuzzer target for the reader (clang, ASan, UBSan) into
# build-fuzz and runs it for SECONDS seconds (default 60) on one job.
#
#   scripts/fuzz.sh [SECONDS] [extra libFuzzer flags...]
#
# The seed corpus is copied at run time from the shared fixtures into
# fuzz/corpus/ (git-ignored): only files that fit the length bound, so the
# fuzzer mutates whole databases. The bound is 640 KiB so that the fixture
# with attachments and multi-value fields (532 KiB) is a seed. New inputs the
# fuzzer finds are kept there between runs; findings land in fuzz/artifacts/
# (git-ignored too).
# Reproduce one with: build-fuzz/bin/fuzz_open_scan fuzz/artifacts/<file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
max_len=$((640 * 1024))
fixtures=${TABULON_FIXTURES:-../shared/fixtures}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTABULON_FUZZ=ON -DTABULON_ENGINE_ONLY=ON >/dev/null
cmake --build build-fuzz --target fuzz_open_scan -j "$(nproc)"

mkdir -p fuzz/corpus fuzz/artifacts
while IFS= read -r -d '' f; do
    name=$(basename "$(dirname "$f")")_$(basename "$f")
    [[ -e fuzz/corpus/$name ]] || cp "$f" "fuzz/corpus/$name"
    chmod u+w "fuzz/corpus/$name"
done < <(find "$fixtures" -type f \( -name '*.mdb' -o -name '*.accdb' \) \
             -size -$((max_len / 1024 + 1))k -print0)

# -timeout: one input may not take longer than this (a hang otherwise).
# -malloc_limit_mb: no single allocation for a 512 KiB file needs this much.
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
build-fuzz/bin/fuzz_open_scan fuzz/corpus \
    -max_len=$max_len -dict=fuzz/open_scan.dict \
    -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=1536 -malloc_limit_mb=256 \
    -artifact_prefix=fuzz/artifacts/ -print_final_stats=1 "$@"
