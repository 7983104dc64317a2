#!/usr/bin/env bash
# The program's main job, on this machine: builds the Windows binaries, starts
# a Wine desktop on a virtual X display, opens a window to type into, and types
# barcode frames into it through the real keyboard layer, the way the resident
# program types what a reader sends. Leaves a screenshot in build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
mkdir -p "$build"
"$root/tools/setup.sh"
"$root/tools/build.sh" > "$build/build.log" 2>&1 || { tail -n 60 "$build/build.log"; exit 1; }

export TELLUR_E2E_DIR=$build/demo
bin=$build/win-x86_64
"$root/tests/e2e/harness/start.sh" "$TELLUR_E2E_DIR" "$build/native/libmodem_lines_shim.so"
trap '"$root/tests/e2e/harness/stop.sh" "$TELLUR_E2E_DIR"' EXIT
. "$root/tests/e2e/harness/harness.sh"
harness_env

win_start sink "$bin/key_sink.exe" "$TELLUR_E2E_DIR/keys.log" "$TELLUR_E2E_DIR/ready" 60
wait_for_file "$TELLUR_E2E_DIR/ready" 150
for frame in 4901234567894 "Code39-ABC/123" "lot 7 (bench B)"; do
    echo "typing frame: $frame"
    win_run "$bin/type_frame.exe" 0000 000D 0000 5 N "$frame"
done
sleep 0.5
import -display "$DISPLAY" -window root "$TELLUR_E2E_DIR/screen.png" 2>/dev/null || true
win_run "$bin/driver.exe" close TellurKeySink - || true
wait "$sink" || true
echo "the window received $(grep -c '^WM_CHAR' "$TELLUR_E2E_DIR/keys.log") characters; screenshot: $TELLUR_E2E_DIR/screen.png"
