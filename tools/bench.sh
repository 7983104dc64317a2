#!/usr/bin/env bash
# Every performance figure in one report: native framing throughput against
# the line rate and the editing step's cost a frame, then the real program
# under Wine (frame->ACK latency, keys/s at step 9, the pause at step 5, idle
# CPU, start-up time to port open), and the binaries' sizes. Run after
# tools/build.sh; prints figures, judges nothing.
set -euo pipefail
# usage: tools/bench.sh
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}

echo "machine: $(nproc) cores, $(uname -m), $(. /etc/os-release && echo "$PRETTY_NAME"), $(wine --version 2>/dev/null)"
"$build/native/framing_benchmark" | grep -E "throughput|editing step"
"$root/bench/resident_benchmark.sh"
echo "binary sizes:"
for file in win-x86_64/TELLUR.EXE win-x86_64/TELLURS.DLL win-i686/TELLUR.EXE win-i686/TELLURS.DLL \
    win-x86_64/TELLURHLP.CHM; do
    printf '  %-24s %8d bytes\n' "$file" "$(stat -c %s "$build/$file")"
done
