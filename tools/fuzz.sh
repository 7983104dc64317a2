#!/usr/bin/env bash
# The long fuzzing run: each fuzzer for the given seconds (default 600), with
# a corpus kept in build/fuzz/corpus-<name> between runs. Run after
# tools/build.sh. A finding is written beside the corpus as crash-*.
set -euo pipefail
# usage: tools/fuzz.sh [seconds]
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
seconds=${1:-600}
cd "$build/fuzz"
for fuzzer in frame_fuzzer store_fuzzer port_fuzzer; do
    mkdir -p "corpus-$fuzzer"
    echo "== $fuzzer for $seconds s"
    "./$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "corpus-$fuzzer" 2>&1 |
        grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY" || true
done
ls crash-* 2>/dev/null && { echo "findings above"; exit 1; } || echo "no findings"
