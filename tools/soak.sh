#!/usr/bin/env bash
# The full soak run of the real program under Wine (the test command runs a
# short one): 10,000 random frames with noise between them, then 10,000 with a
# third of them bad, at key speed 9. Takes about 20 minutes. Run after
# tools/build.sh; the seed (default: random) is printed so a failure can be
# repeated.
set -euo pipefail
# usage: tools/soak.sh [frames [seed]]
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
frames=${1:-10000}
seed=${2:-$RANDOM}
dir=$build/soak
"$root/tests/e2e/harness/start.sh" "$dir" "$build/native/libmodem_lines_shim.so"
trap '"$root/tests/e2e/harness/stop.sh" "$dir" >/dev/null 2>&1' EXIT
"$root/tests/e2e/soak_test.sh" "$dir" "$build/win-x86_64" "$build/native/line_soak" "$frames" "$frames" "$seed"
