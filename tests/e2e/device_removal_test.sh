#!/usr/bin/env bash
# The serial device goes away under the running program, idle and in the
# middle of a frame (the virtual line's other end ends, as when an adapter is
# pulled out). The program stays up and idle, still answers a second start,
# types again once the device is back and the port reopened through the
# settings, and on its own reopens the port quietly when the device returns.
# The tray icon shows each state: receiving, waiting for the device, settings
# open (the tip's texts are checked in the unit tests: Wine's tray shows no
# tooltip here without a pointer over it).
#   device_removal_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
log="$TELLUR_E2E_DIR/removal.log"

no_message_box() { ! win_run "$BIN/driver.exe" find '#32770' Tellurin 0 >/dev/null 2>&1; }

line=$(serial_pair 5)
configure_resident 5
start_sink "$log"
start_resident
wait_for_port_open 5
open_line "$line"
send_bytes '\x02Before\x03'
wait_for_typed "$log" 7
check "typed before the removal" 'Before\r' "$(typed_text "$log")"
check "answered before the removal" 06 "$(answers_on_line)"
check "tray icon while receiving" receiving "$(wait_for_tray_icon receiving)"

echo "== the device goes while the program is idle"
exec {LINE_FD}>&-
unplug_serial 5
read -r permille server_permille <<<"$(cpu_permille_over 10 "$RESIDENT_PID" "$(pgrep -n wineserver)" | tr '\n' ' ')"
echo "CPU over 10 s without the device: TELLUR.EXE $(percent "$permille")," \
    "wineserver (for every Wine program here) $(percent "$server_permille")"
check "under 1 % of a core while the device is missing" yes "$([ "$permille" -lt 10 ] && echo yes || echo no)"
check "still running" yes "$(kill -0 "$RESIDENT_PID" 2>/dev/null && echo yes || echo no)"
check "no message box while the device is missing" yes "$(no_message_box && echo yes || echo no)"
check "tray icon while waiting for the device" idle "$(wait_for_tray_icon idle)"

echo "== a second start opens the settings; the device returns; OK reopens the port"
open_dialog
check "tray icon while the settings are open" idle "$(wait_for_tray_icon idle)"
line=$(serial_pair 5)
dialog click 1
wait_until_gone '#32770' "$SETTINGS_DIALOG"
check "port reopened after the settings" yes "$(wait_for_port_open 5 && echo yes || echo no)"
focus_sink
open_line "$line"
send_bytes '\x02Again\x03'
wait_for_typed "$log" 13
check "typed after the reopening" 'Before\rAgain\r' "$(typed_text "$log")"
check "answered after the reopening" 06 "$(answers_on_line)"

echo "== the device goes in the middle of a frame and comes back by itself"
send_bytes '\x02Half'
sleep 0.5
exec {LINE_FD}>&-
unplug_serial 5
sleep 3  # a few quiet retries
check "no message box while retrying" yes "$(no_message_box && echo yes || echo no)"
line=$(serial_pair 5)
check "port reopened quietly" yes "$(wait_for_port_open 5 250 && echo yes || echo no)"
sleep 0.5  # the receiver starts right after the opening
open_line "$line"
send_bytes '\x02After\x03'
wait_for_typed "$log" 19
check "the cut frame abandoned, the next one typed" 'Before\rAgain\rAfter\r' "$(typed_text "$log")"
check "answered after the quiet reopening" 06 "$(answers_on_line)"
check "tray icon once receiving again" receiving "$(wait_for_tray_icon receiving)"
check "no modifier left down" "" "$(modifiers_left_down "$log")"

quit_resident
check "exit code" 0 "$EXIT_CODE"
stop_sink
exit "$failures"
