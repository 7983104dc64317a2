#!/usr/bin/env bash
# Figures of the real program under Wine over a virtual line (with the
# harness's modem-line emulation): frame->ACK latency, typing speed at key
# speed 9, the time per key at step 5 against its 20 ms pause, idle CPU of
# TELLUR.EXE and wineserver with the port open, the start-up time until
# the port is open, and the cost of the check before each frame's answer.
# Run after tools/build.sh; prints, judges nothing. Part of tools/bench.sh.
set -euo pipefail
# usage: bench/resident_benchmark.sh
. "$(dirname "$0")/../tools/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
bench=$build/native/line_bench
"$root/tests/e2e/harness/start.sh" "$build/bench" "$build/native/libmodem_lines_shim.so" >/dev/null
. "$root/tests/e2e/resident_common.sh" "$build/bench" "$build/win-x86_64"
trap 'end_leftovers; "$root/tests/e2e/harness/stop.sh" "$build/bench"' EXIT
line=$(serial_pair 5)
log="$TELLUR_E2E_DIR/keys.log"

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
    local program server
    read -r program server <<<"$(cpu_permille_over 10 "$RESIDENT_PID" "$(pgrep -n wineserver)" | tr '\n' ' ')"
    echo "idle CPU over 10 s with the port open: TELLUR.EXE $(percent "$program"), wineserver $(percent "$server") of a core"
}

# From starting TELLUR.EXE until its process (or wineserver for it) holds the
# line open; five starts. Only those two processes are listed, every 5 ms or
# so: the harness's port_holders looks at every process, too slow a clock here.
startup_to_port_open() {
    local device times=() start server
    configure_resident 5 BaudRate=115200
    server=$(pgrep -n wineserver)
    device=$(readlink -f "$TELLUR_E2E_DIR/serial-5-program")
    for _ in 1 2 3 4 5; do
        start=$(date +%s%N)
        win_start RESIDENT_PID "$BIN/TELLUR.EXE"
        until ls -l "/proc/$RESIDENT_PID/fd" "/proc/$server/fd" 2>/dev/null | grep -q -- "-> $device\$"; do
            sleep 0.005
        done
        times+=($(( ($(date +%s%N) - start) / 1000000 )))
        quit_resident
    done
    # For scale: Wine starting and ending a console program that does nothing.
    start=$(date +%s%N)
    win_run "$BIN/driver.exe" find NoSuchClass - 0 >/dev/null 2>&1 || true
    local bare=$(( ($(date +%s%N) - start) / 1000000 ))
    echo "start-up to port open: median $(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p) ms over 5 starts" \
        "($(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')ms); an empty console program takes $bare ms under Wine"
}

run_with 9 "$bench" latency "$line" 500 115200
run_with 9 "$bench" typing "$line" "$log" 1000
printf 'at key speed 5 (a pause of 20 ms after each key): '
run_with 5 "$bench" typing "$line" "$log" 200
run_with 9 idle_cpu
startup_to_port_open
win_run "$BIN/target_check_bench.exe" 10000
