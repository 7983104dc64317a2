#!/usr/bin/env bash
# The program's main job, on this machine: builds everything, starts a Wine
# desktop on a virtual X display with a window to type into, starts the real
# TELLUR.EXE on COM5 (a virtual serial line), and plays a barcode reader on the
# other end of the line: it sends barcodes framed STX/ETX and waits for each
# ACK. The window receives every barcode as keystrokes; a screenshot lands in
# build/demo/screen.png.
set -euo pipefail
# usage: tools/run.sh
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
mkdir -p "$build"
"$root/tools/setup.sh"
"$root/tools/build.sh" > "$build/build.log" 2>&1 || { tail -n 60 "$build/build.log"; exit 1; }

demo=$build/demo
"$root/tests/e2e/harness/start.sh" "$demo" "$build/native/libmodem_lines_shim.so"
. "$root/tests/e2e/resident_common.sh" "$demo" "$build/win-x86_64"
trap 'end_leftovers; "$root/tests/e2e/harness/stop.sh" "$demo"' EXIT

line=$(serial_pair 5)
open_line "$line"
configure_resident 5 KeySpeed=7   # ACK/NAK with STX/ETX, Enter after each barcode
log="$TELLUR_E2E_DIR/keys.log"
start_sink "$log"
start_resident
echo "TELLUR.EXE runs on COM5; the simulated reader sends:"
for barcode in 4901234567894 "CODE39-ABC/123" "LOT 7 (BENCH B)" 0123456789012; do
    send_bytes "\x02$barcode\x03"
    answer=$({ timeout 5 head -c 1 <&"$LINE_FD" || true; } | od -An -tx1 | tr -d ' ')
    printf '  %-18s answer: %s\n' "$barcode" "$([ "$answer" = 06 ] && echo ACK || echo "${answer:-none}")"
    sleep 0.5
done
sleep 0.5
import -display "$DISPLAY" -window root "$demo/screen.png" 2>/dev/null || true
quit_resident
stop_sink
echo "typed into the window: $(typed_text "$log")"
echo "TELLUR.EXE ended with exit code $EXIT_CODE; screenshot: $demo/screen.png"
