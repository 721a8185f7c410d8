#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a short while (default 5 s) from the
# committed seeds. CTest runs it for 5 s per target when clang and its fuzzer runtime are installed;
# the build is incremental, so fuzzers already built are not built again.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
targets=(fuzz_programfile fuzz_commandreader fuzz_encoderroundtrip fuzz_records fuzz_mp3length)
cmake --preset fuzz >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target "${targets[@]}" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
    mkdir -p "$work/$target"
    echo "== $target (${seconds} s)"
    build-fuzz/fuzz/$target -max_total_time="$seconds" -max_len=4096 -print_final_stats=0 \
        -artifact_prefix="$work/" "$work/$target" "fuzz/corpus/$target" 2>&1 | tail -n 2
done
