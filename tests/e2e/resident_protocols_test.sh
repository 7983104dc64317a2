#!/usr/bin/env bash
# The whole road on the real binaries: TELLUR.EXE loads its settings through
# TELLURS.DLL, opens COM5 (a virtual line), answers frames with ACK/NAK under
# the answering protocols, and types every good frame into the key sink; then
# UM_QUIT ends it with exit code 0.
#   resident_protocols_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
line=$(serial_pair 5)
open_line "$line"
log="$TELLUR_E2E_DIR/protocols.log"

# protocol | extra settings | bytes sent | typed text | answers
cases=(
    '0||Scan1\rScan2\r\n|Scan1\rScan2\r|'
    '1|CapsLock=Y|aBc-1\r\nX\rY|AbC-1\r|'
    '2|HeadKey=0241 TermKey2=0009|xx\x02Ab 9\x03yy\x02\x03|^AAb 9\r\t|'
    '3||Scan1\r\r|Scan1\r|06 15'
    '4||Scan1\r\nBad\rXGood\r\n|Scan1\rGood\r|06 15 06'
    '5|TermKey1=0109|\x02(4901234567894)\x03\x02\x03|(4901234567894)\t|06 15'
)
for entry in "${cases[@]}"; do
    IFS='|' read -r protocol extra bytes expected answers <<<"$entry"
    echo "== protocol $protocol ${extra:+($extra)}"
    # shellcheck disable=SC2086
    configure_resident "$protocol" $extra
    start_sink "$log"
    start_resident
    send_bytes "$bytes"
    wait_for_typed "$log" "$(printf '%b' "${expected//^?/x}" | wc -c)"
    check "typed text" "$expected" "$(typed_text "$log")"
    check "no modifier left down" "" "$(modifiers_left_down "$log")"
    check "answers" "$answers" "$(answers_on_line)"
    quit_resident
    check "UM_QUIT ends the program with exit code 0" 0 "$EXIT_CODE"
    stop_sink
done

echo "== a frame split across writes, and the run of 25 bad frames"
configure_resident 5
start_sink "$log"
start_resident
send_bytes '\x02Sp'
sleep 0.3
send_bytes 'lit\x03'
wait_for_typed "$log" 6
check "split frame typed once" 'Split\r' "$(typed_text "$log")"
check "split frame answered" "06" "$(answers_on_line)"
for ((i = 0; i < 25; i++)); do send_bytes '\x02\x03'; done
send_bytes '\x02OK\x03'
wait_for_typed "$log" 9
expected="$(printf '15 %.0s' {1..19})06$(printf ' 15%.0s' {1..5}) 06"
check "NAK x19, ACK, NAK x5, then ACK for a good frame" "$expected" "$(answers_on_line)"
check "only the good frames typed" 'Split\rOK\r' "$(typed_text "$log")"
quit_resident
check "exit code" 0 "$EXIT_CODE"
stop_sink

# The balloon is read from Wine's notification area, where it shows as a
# visible tooltip window; the tip's second line (no pointer hovers over the
# icon here) is checked in the unit tests.
echo "== a device that ends its frames with CR while STX/ETX is chosen"
configure_resident 5
start_sink "$log"
start_resident
wait_for_tray_icon receiving >/dev/null
for ((i = 0; i < 3; i++)); do send_bytes 'ABC-123\r'; done
check "balloon on the tray" "データの区切りが見つかりません。伝送手順の設定を確認してください。" \
    "$(win_output "$BIN/driver.exe" balloon 5000)"
check "nothing typed" "" "$(typed_text "$log")"
check "nothing answered" "" "$(answers_on_line)"
quit_resident
stop_sink
echo "== the protocol corrected to CR: typed, and no balloon"
configure_resident 3
start_sink "$log"
start_resident
wait_for_tray_icon receiving >/dev/null
send_bytes 'ABC-123\r'
wait_for_typed "$log" 8
check "typed" 'ABC-123\r' "$(typed_text "$log")"
check "ACK" "06" "$(answers_on_line)"
check "no balloon" "" "$(win_output "$BIN/driver.exe" balloon 1000)"
quit_resident
check "exit code" 0 "$EXIT_CODE"
stop_sink

exit "$failures"
