#!/usr/bin/env bash
# Figures of the real program under Wine over a virtual line (with the
# harness's modem-line emulation): frame->ACK latency, typing speed at key
# speed 9, the pause per key at step 5, and the idle CPU of TELLUR.EXE and
# wineserver with the port open. Run after tools/build.sh; prints, judges nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
bench=$build/native/line_bench
"$root/tests/e2e/harness/start.sh" "$build/bench" "$build/native/libmodem_lines_shim.so" >/dev/null
. "$root/tests/e2e/resident_common.sh" "$build/bench" "$build/win-x86_64"
trap 'end_leftovers; "$root/tests/e2e/harness/stop.sh" "$build/bench"' EXIT
line=$(serial_pair 5)
log="$TELLUR_E2E_DIR/keys.log"

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

run_with() {  # run_with <key speed> <command...>
    configure_resident 5 BaudRate=115200 KeySpeed="$1"
    shift
    start_sink "$log"
    start_resident
    sleep 0.5
    "$@"
    quit_resident
    stop_sink
}

idle_cpu() {
    local server program_before server_before hz
    server=$(pgrep -n wineserver)
    hz=$(getconf CLK_TCK)
    program_before=$(cpu_ticks "$RESIDENT_PID")
    server_before=$(cpu_ticks "$server")
    sleep 10
    echo "idle CPU over 10 s with the port open: TELLUR.EXE $(( ($(cpu_ticks "$RESIDENT_PID") - program_before) * 100 / (10 * hz) ))%," \
        "wineserver $(( ($(cpu_ticks "$server") - server_before) * 100 / (10 * hz) ))% of a core"
}

echo "machine: $(nproc) cores, $(uname -m), $(. /etc/os-release && echo "$PRETTY_NAME"), $(wine --version 2>/dev/null)"
run_with 9 "$bench" latency "$line" 500 115200
run_with 9 "$bench" typing "$line" "$log" 1000
run_with 5 "$bench" typing "$line" "$log" 200
run_with 9 idle_cpu
