#!/usr/bin/env bash
# Runs one end-to-end test in a lane of its own: its own Xvfb display, a copy
# of the pristine prefix with its own wineserver, its own serial lines and key
# sink, all under the lane's directory, so lanes can run side by side. The
# lane is taken down and its prefix removed however the test ends.
#   lane.sh <lane dir> <modem-line library> <pristine dir> <test script> [args...]
# The test script gets the lane's directory as its harness directory.
set -uo pipefail
lane=$1 shim=$2 pristine=$3 script=$4
shift 4
harness=$(dirname "$0")
take_down() {
    "$harness/stop.sh" "$lane" >/dev/null 2>&1
    rm -rf "$lane/prefix"
}
trap take_down EXIT
trap 'exit 143' TERM INT HUP
"$harness/start.sh" "$lane" "$shim" "$pristine/prefix" || { echo "lane did not come up" >&2; exit 1; }
"$script" "$lane" "$@"
