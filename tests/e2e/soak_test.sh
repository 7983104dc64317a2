#!/usr/bin/env bash
# Soak run of the real program: random frames of printable text at 115200
# baud under ACK/NAK STX/ETX framing with noise between them, typed at key
# speed 9; then the same with bad frames mixed in. Every good frame must be
# typed exactly once and in order, and every answer must follow the rule.
#   soak_test.sh <harness dir> <64-bit build dir> <line_soak> [<frames> [<frames with bad ones> [<seed>]]]
. "$(dirname "$0")/resident_common.sh" "$@"
soak=${3:?the line_soak program}
frames=${4:-1000}
mixed_frames=${5:-300}
seed=${6:-1}
log="$TELLUR_E2E_DIR/soak.log"
line=$(serial_pair 5)

# A sink that lives long enough for the run: about 2,000 keys/s at step 9.
sink_seconds=$(( (frames + mixed_frames) / 5 + 300 ))

run_soak() {  # run_soak <what> <frames> <bad per 100>
    echo "== $1"
    configure_resident 5 BaudRate=115200 KeySpeed=9
    start_sink "$log" "$sink_seconds"
    start_resident
    wait_for_port_open 5
    local result=0
    "$soak" "$line" "$log" "$2" "$seed" "$3" || result=$?
    check "$1: every good frame typed once, in order, every answer right" 0 "$result"
    check "$1: no modifier left down" "" "$(modifiers_left_down "$log")"
    quit_resident
    check "$1: exit code" 0 "$EXIT_CODE"
    stop_sink
}

run_soak "$frames good frames with noise between them" "$frames" 0
run_soak "$mixed_frames frames, a third of them bad" "$mixed_frames" 33
exit "$failures"
