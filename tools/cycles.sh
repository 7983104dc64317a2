#!/usr/bin/env bash
# The full cycle run of the real program under Wine (the test command runs a
# short one): 200 receiver stop/start cycles and 200 settings open/close
# cycles, printing the process's handles, threads and memory as it goes.
# Takes about 25 minutes. Run after tools/build.sh.
set -euo pipefail
# usage: tools/cycles.sh [receiver [settings]]
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
dir=$build/cycles
"$root/tests/e2e/harness/start.sh" "$dir" "$build/native/libmodem_lines_shim.so"
trap '"$root/tests/e2e/harness/stop.sh" "$dir" >/dev/null 2>&1' EXIT
"$root/tests/e2e/cycles_test.sh" "$dir" "$build/win-x86_64" "${1:-200}" "${2:-200}"
