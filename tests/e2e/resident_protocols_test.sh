#!/usr/bin/env bash
# The whole road on the real binaries: TELLUR.EXE loads its settings through
# TELLURS.DLL, opens COM5 (a virtual line), answers frames with ACK/NAK under
# the answering protocols, and types every good frame into the key sink; then
# UM_QUIT ends it with exit code 0. Frames read by character arrive in the
# sink as the UTF-16 units of their text. A stand-in balance that answers only
# when asked gets its requests from the tray menu and the timer, and frames
# with no end byte are ended by the pause after them.
#   resident_protocols_test.sh <harness dir> <64-bit build dir> <line_balance>
. "$(dirname "$0")/resident_common.sh" "$@"
balance=${3:?the line_balance program}
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
    # Editing rules: GS1 fields with Tab between them; a frame too short is bad.
    '5|FieldSeparator=\x1D LengthMin=5|\x020104912345678904\x1d17250101\x1d10ABC\x03\x0212\x03|0104912345678904\t17250101\t10ABC\r|06 15'
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

echo "== frames read by character: Shift-JIS, UTF-8, automatic, and the same bytes as ASCII"
# The sink is a Unicode window: each WM_CHAR carries one UTF-16 unit, which the
# log holds in hex. The units it received, e.g. "6771 4EAC 0D".
typed_units() { awk '$1 == "WM_CHAR" {printf "%s%s", sep, $2; sep = " "}' "$1"; }

# 東京都港区1-2-3; 表 (second byte 0x5C) and A; half-width ｱｲｳ; an unassigned
# pair; OK; a single 0x80, which code page 932 maps to no character.
shift_jis_frames='\x02\x93\x8c\x8b\x9e\x93\x73\x8d\x60\x8b\xe6\x31-2-3\x03\x02\x95\x5cA\x03\x02\xb1\xb2\xb3\x03'
shift_jis_frames+='\x02AB\x85\x40\x03\x02OK\x03\x02A\x80\x03'
# CharacterCode | bytes sent under STX/ETX with ACK/NAK | typed units | answers
by_character=(
    "1|$shift_jis_frames|6771 4EAC 90FD 6E2F 533A 31 2D 32 2D 33 0D 8868 41 0D FF71 FF72 FF73 0D 4F 4B 0D|06 06 06 15 06 15"
    # A leading byte-order mark is dropped.
    '2|\x02\xf0\x9f\x98\x80\x03\x02A\xc0\xaf\x03\x02\xef\xbb\xbfZ\x03|D83D DE00 0D 5A 0D|06 15 06'
    '3|\x02\xe6\x9d\xb1\x03\x02\x93\x8c\x03|6771 0D 6771 0D|06 06'
    # As designed: bytes from 0x7F up dropped, so 0x5C types a backslash and
    # the kana-only frame is empty.
    "0|$shift_jis_frames|73 60 31 2D 32 2D 33 0D 5C 41 0D 41 42 40 0D 4F 4B 0D 41 0D|06 06 15 06 06 06"
)
for entry in "${by_character[@]}"; do
    IFS='|' read -r code bytes expected answers <<<"$entry"
    echo "-- CharacterCode $code"
    configure_resident 5 CharacterCode="$code"
    start_sink "$log"
    start_resident
    send_bytes "$bytes"
    wait_for_typed "$log" "$(wc -w <<<"$expected")"
    check "typed units" "$expected" "$(typed_units "$log")"
    check "no modifier left down" "" "$(modifiers_left_down "$log")"
    check "answers" "$answers" "$(answers_on_line)"
    quit_resident
    check "exit code" 0 "$EXIT_CODE"
    stop_sink
done

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
echo "== a frame shorter than the rules allow: NAK and the balloon"
configure_resident 5 LengthMin=13
start_sink "$log"
start_resident
wait_for_tray_icon receiving >/dev/null
send_bytes '\x02123456789012\x03'
check "balloon on the tray" "データの桁数が設定と違います。" "$(win_output "$BIN/driver.exe" balloon 5000)"
check "NAK" "15" "$(answers_on_line)"
check "nothing typed" "" "$(typed_text "$log")"
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

# The tray menu as a user opens it: the pointer over the icon, the right
# button pressed and released; then the item chosen by its mnemonic.
choose_from_tray_menu() {
    local mouse
    for mouse in 0x200 0x204 0x205; do win_run "$BIN/driver.exe" post NON_Tellurin Tellurin 0x600 0 "$mouse"; done
    win_run "$BIN/driver.exe" menu-choose "$1" 5000
}
# Starts the stand-in balance in the background: start_balance <mode> <arguments...>
start_balance() {
    "$balance" "$line" "$@" >"$TELLUR_E2E_DIR/balance.out" &
    BALANCE_PID=$!
}
# Ends it and prints the number of requests it heard.
balance_requests() {
    kill "$BALANCE_PID" 2>/dev/null || true
    wait "$BALANCE_PID" 2>/dev/null || true
    sed -n 's/^requests=//p' "$TELLUR_E2E_DIR/balance.out"
}

echo "== a balance asked from the tray menu: one weight; the menu ends the program"
configure_resident 1 'RequestCommand=Q\r\n'
start_balance answer 60
start_sink "$log"
start_resident
wait_for_port_open 5
choose_from_tray_menu R
wait_for_typed "$log" 16
check "one weight typed" 'ST,+00001.00  g\r' "$(typed_text "$log")"
choose_from_tray_menu X
wait_for_resident
check "the menu's end gives exit code 0" 0 "$EXIT_CODE"
check "one request heard" 1 "$(balance_requests)"
stop_sink

echo "== the same balance asked every 700 ms: each request one weight"
configure_resident 1 'RequestCommand=Q\r\n' RequestInterval=700
start_balance answer 60
start_sink "$log"
start_resident
wait_for_typed "$log" 48
quit_resident
heard=$(balance_requests)
# A weight being typed when the program ended stops part-way: only whole ones count.
typed=$(typed_text "$log")
typed="${typed%'\r'*}\r"
weights=$(grep -o 'ST,' <<<"$typed" | wc -l)
expected=""
for ((i = 1; i <= weights; i++)); do expected+=$(printf 'ST,+%05d.00  g\\r' "$i"); done
check "weights 1, 2, 3... each once, in order" "$expected" "$typed"
check "three weights or more" 1 "$((weights >= 3))"
# A request in flight when the program ended is heard but never typed.
check "a weight for every request heard" 1 "$((heard == weights || heard == weights + 1))"
stop_sink

echo "== a device that never answers: the balloon"
configure_resident 1 'RequestCommand=Q\r\n' RequestTimeout=500
start_balance silent 60
start_sink "$log"
start_resident
wait_for_port_open 5
choose_from_tray_menu R
check "balloon on the tray" "機器から応答がありません。" "$(win_output "$BIN/driver.exe" balloon 5000)"
quit_resident
check "the request was heard" 1 "$(balance_requests)"
stop_sink

echo "== protocol 6: records with no end byte, ended by the pause after each"
configure_resident 6 FrameGap=200
start_sink "$log"
start_resident
wait_for_port_open 5
"$balance" "$line" records 3 600
wait_for_typed "$log" 33
check "each record typed once" 'N,+1.50 kg\rN,+2.50 kg\rN,+3.50 kg\r' "$(typed_text "$log")"
quit_resident
check "exit code" 0 "$EXIT_CODE"
stop_sink

exit "$failures"
