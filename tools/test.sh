#!/usr/bin/env bash
# The test command: installs what is missing, builds everything, and runs every
# test (unit tests, binary checks, end-to-end tests under Wine) through CTest.
set -euo pipefail
# usage: tools/test.sh
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
mkdir -p "$build"

"$root/tools/setup.sh"
"$root/tools/build.sh" > "$build/build.log" 2>&1 || { tail -n 60 "$build/build.log"; exit 1; }
cd "$build/native"
# One test more than the cores: the end-to-end tests, each in its own lane,
# mostly wait for Wine, timers and typed keys rather than for a processor.
ctest --output-on-failure -j "$(($(nproc) + 1))"
