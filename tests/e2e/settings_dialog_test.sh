#!/usr/bin/env bash
# The settings dialog on the real binaries, driven the way a user would: opened
# by a second start, the pages edited, Apply, OK, Cancel with its question
# answered each way, the about box, help, and the menu's exit. After each, the
# registry holds what the rules say, and the receiver types with the new
# settings. The data-editing page's preview follows a rule typed on it, an
# invalid rule stops OK, and its sample holds the last frame received. The
# communication page's device values: an invalid one stops Apply, valid ones
# are saved, and a request key another program holds is reported on Apply.
# Screenshots of the pages and the about box go to the harness directory's
# screens/.
#   settings_dialog_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
line=$(serial_pair 5)
open_line "$line"
log="$TELLUR_E2E_DIR/dialog-keys.log"
screens="$TELLUR_E2E_DIR/screens"
mkdir -p "$screens"
stored() { reg_value "$SETTINGS_KEY\\$1" "$2" | cut -d' ' -f2; }
screenshot() { sleep 0.5; import -display "$DISPLAY" -window root "$screens/$1.png" 2>/dev/null || true; }
configure_resident 5
start_sink "$log"
start_resident
# The store holds the first six function values only, as older versions write it.
check "a store without CharacterCode and ImeOff is not rebuilt" "<missing> <missing>" \
    "$(stored Function CharacterCode) $(stored Function ImeOff)"

echo "== open through a second start; edit both pages; Apply"
open_dialog
check "Apply starts disabled" "0 0" "$(control_state 1002 | cut -d' ' -f1,2)"
check "the communication page shows COM5" "COM5" "$(control_state 1003 | cut -d' ' -f4-)"
screenshot communication-page
dialog select 1004 10          # 115200
dialog select 1015 3           # ACK/NAK手順  CR
# (Parity stays as it is: Wine fails to set parity on a pty now and then,
# which would turn the reopening of the port into the port-failure question.)
dialog click 1008              # two stop bits
sleep 0.3
check "Apply enabled after edits" "1" "$(control_state 1002 | cut -d' ' -f2)"
dialog tab 1001 1
wait_for_dialog "$SETTINGS_DIALOG"
sleep 0.3
check "the function page is shown" "Enter" "$(control_state 1020 | cut -d' ' -f4-)"
check "frames read as ASCII" "0 ASCII (英数字のみ)" "$(control_state 1033 | cut -d' ' -f3-)"
check "the IME box ticked" "1 1" "$(control_state 1034 | head -n 1 | cut -d' ' -f1,2)"
dialog select 1016 8           # head key A ...
dialog click 1018              # ... with Ctrl
dialog select 1020 0           # terminator 1: 付加しない
sleep 0.3
check "terminator 2 list disabled with no terminator 1" "0" "$(control_state 1024 | cut -d' ' -f2)"
check "terminator 2 boxes disabled too" "0" "$(control_state 1025 | cut -d' ' -f2)"
dialog select 1020 2           # terminator 1: Tab
dialog slide 1028 7
screenshot function-page
dialog click 1002              # Apply
sleep 0.5
check "Apply disabled after Apply" "0" "$(control_state 1002 | cut -d' ' -f2)"
check "registry after Apply" "115200 3 2 0241 0009 7" \
    "$(stored Communication BaudRate) $(stored Communication Protocol) $(stored Communication StopBit) $(stored Function HeadKey) $(stored Function TermKey1) $(stored Function KeySpeed)"
check "the missing values written with the function settings" "0 Y" \
    "$(stored Function CharacterCode) $(stored Function ImeOff)"
check "edits survive switching pages" "1" "$(dialog tab 1001 0; sleep 0.5; control_state 1008 | cut -d' ' -f1)"

echo "== the about box and help"
dialog command 40003
wait_for_dialog 'Tellurinのバージョン情報'
check "version line" "Ver 3.0.4.3" "$(win_output "$BIN/driver.exe" state 'Tellurinのバージョン情報' 1031 | cut -d' ' -f4-)"
check "word-size label" "64bit version" "$(win_output "$BIN/driver.exe" state 'Tellurinのバージョン情報' 1032 | cut -d' ' -f4-)"
screenshot about-box
win_run "$BIN/driver.exe" click 'Tellurinのバージョン情報' 1
wait_until_gone '#32770' 'Tellurinのバージョン情報'
# The mark of the web, as Explorer leaves it on what it unpacks from a
# downloaded zip; Wine keeps such a stream as a file named after it.
mark="$BIN/TELLURHLP.CHM:Zone.Identifier"
printf '[ZoneTransfer]\r\nZoneId=3\r\n' > "$mark"
dialog command 40002
# Its Japanese title reads right only in the Japanese code page, as users have it.
check "the desk is Japanese" "ui=0411 acp=932" "$(win_output "$BIN/driver.exe" locale)"
check "help opens its window, titled in Japanese" "yes" \
    "$(win_run "$BIN/driver.exe" find 'HH Parent' 'Tellurin ヘルプ' 10000 >/dev/null && echo yes || echo no)"
check "the help file lost the mark of the web" no "$([ -e "$mark" ] && echo yes || echo no)"
rm -f "$mark"

echo "== Cancel without further edits closes without a question; the receiver types with the new settings"
dialog click 2
wait_until_gone '#32770' "$SETTINGS_DIALOG"
check "the help window closed with the dialog" "yes" "$(wait_until_gone 'HH Parent' - && echo yes || echo no)"
focus_sink
send_bytes 'Hi\r'
wait_for_typed "$log" 4
check "typed with head key Ctrl+A and terminator Tab" '^AHi\t' "$(typed_text "$log")"
check "answered under ACK/NAK CR" "06" "$(answers_on_line)"

echo "== Cancel with edits: Cancel keeps the window, No drops the edits"
open_dialog
dialog tab 1001 1
sleep 0.3
dialog click 1029              # CapsLock on
sleep 0.3
dialog click 2
check "the question" "$(printf '設定内容が変更されています。\n\n\u3000設定を保存しますか？')" \
    "$(win_output "$BIN/driver.exe" box-text 10000)"
win_run "$BIN/driver.exe" box-answer cancel 2000
sleep 0.5
check "the window stays with its edit" "1" "$(control_state 1029 | cut -d' ' -f1)"
dialog click 2
win_output "$BIN/driver.exe" box-text 10000 >/dev/null
win_run "$BIN/driver.exe" box-answer no 2000
wait_until_gone '#32770' "$SETTINGS_DIALOG"
check "nothing saved" "N" "$(stored Function CapsLock)"
open_dialog
dialog tab 1001 1
sleep 0.3
dialog select 1033 3           # 自動判別 alone is an edit to ask about
dialog click 2
check "the question for a character code" "設定内容が変更されています。" \
    "$(win_output "$BIN/driver.exe" box-text 10000 | head -n 1)"
win_run "$BIN/driver.exe" box-answer no 2000
wait_until_gone '#32770' "$SETTINGS_DIALOG"
check "character code not saved" "0" "$(stored Function CharacterCode)"

echo "== Cancel with edits answered Yes saves them"
open_dialog
dialog click 1012              # flow control: none (already) - no change
dialog select 1004 6           # 9600
dialog click 2
win_output "$BIN/driver.exe" box-text 10000 >/dev/null
win_run "$BIN/driver.exe" box-answer yes 2000
wait_until_gone '#32770' "$SETTINGS_DIALOG"
check "saved on Yes" "9600" "$(stored Communication BaudRate)"

echo "== OK saves; the menu's exit ends the program without saving"
open_dialog
dialog select 1015 5           # ACK/NAK STX/ETX
dialog tab 1001 1
sleep 0.3
dialog select 1033 1           # シフトJIS
dialog click 1034              # the IME left as it is
sleep 0.3
check "the IME box unticked" "0" "$(control_state 1034 | head -n 1 | cut -d' ' -f1)"
dialog click 1
wait_until_gone '#32770' "$SETTINGS_DIALOG"
check "saved on OK" "5 1 N" \
    "$(stored Communication Protocol) $(stored Function CharacterCode) $(stored Function ImeOff)"
open_dialog
dialog select 1015 0
dialog command 40001
wait_for_resident
check "the program ends with its exit code unchanged" 0 "$EXIT_CODE"
check "nothing saved on exit" "5" "$(stored Communication Protocol)"

echo "== the data-editing page: a rule typed changes the preview; an invalid one stops OK; OK writes the Edit key"
start_resident
wait_for_port_open 5 || true
open_dialog
dialog tab 1001 2
sleep 0.5
edit_text() { win_output "$BIN/driver.exe" text "$SETTINGS_DIALOG" "$1"; }
check "the rules at their defaults" "0 Tab" "$(edit_text 1036) $(control_state 1058 | cut -d' ' -f4-)"
dialog settext 1064 'AB;CD\x1DE'
sleep 0.3
# Head key Ctrl+A and terminator Tab, as applied above; the GS is no key.
check "the preview of the sample" "[Ctrl+A]AB;CDE[Tab]" "$(edit_text 1065)"
dialog settext 1041 ';'
dialog settext 1049 '\r'
dialog settext 1057 '\x1D'
sleep 0.3
check "the preview follows the rules" "[Ctrl+A]AB[Enter]CD[Tab]E[Tab]" "$(edit_text 1065)"
check "Apply enabled by a rule" "1" "$(control_state 1002 | cut -d' ' -f2)"
screenshot edit-page
dialog settext 1036 2000
sleep 0.3
check "an invalid rule is named at the foot" "※「最大桁数」は 0～1023 の数にしてください（適用できません）" "$(edit_text 1066)"
check "no preview while it stands" "" "$(edit_text 1065)"
dialog click 1
sleep 1
check "OK refused: the window stays" "yes" \
    "$(win_run "$BIN/driver.exe" find '#32770' "$SETTINGS_DIALOG" 0 >/dev/null && echo yes || echo no)"
check "nothing written" "<missing>" "$(reg_value "$SETTINGS_KEY\\Edit" Find1)"
dialog settext 1036 12
dialog click 1
wait_until_gone '#32770' "$SETTINGS_DIALOG"
check "the Edit key after OK" "; \r \x1D 12 0 0009" \
    "$(stored Edit Find1) $(stored Edit With1) $(stored Edit FieldSeparator) $(stored Edit LengthMax) $(stored Edit CutHead) $(stored Edit FieldKey)"
check "an empty rule is written too" "REG_SZ" "$(reg_value "$SETTINGS_KEY\\Edit" Prefix)"
open_dialog
dialog tab 1001 2
sleep 0.5
check "the page reopens with the stored rules" "; 12" "$(edit_text 1041) $(edit_text 1036)"
dialog click 2
wait_until_gone '#32770' "$SETTINGS_DIALOG"

echo "== the device's values: an invalid one stops Apply; a request key another program holds is reported"
# What the command prints once it prints the expected text, or after 5 s.
settled() {
    local expected=$1 actual
    shift
    for _ in $(seq 50); do actual=$("$@"); [ "$actual" = "$expected" ] && break; sleep 0.1; done
    printf '%s\n' "$actual"
}
holder="$TELLUR_E2E_DIR/hotkey-holder.out"
win_start HOLDER_PID "$BIN/driver.exe" hold-hotkey 3 0x78 120 >"$holder"  # Ctrl+Alt+F9
wait_for_file "$holder" 100 nonempty || true
check "another program holds Ctrl+Alt+F9" "held" "$(tr -d '\r' <"$holder")"
open_dialog
check "the defaults shown" "50||0|2000" "$(edit_text 1067)|$(edit_text 1068)|$(edit_text 1069)|$(edit_text 1070)"
dialog select 1015 6
check "protocol 6 listed after the six" "6 無手順 (受信間隔で区切る)" "$(control_state 1015 | cut -d' ' -f3-)"
dialog select 1015 5
dialog settext 1069 100
note='※「要求間隔」は 0 か 200～3600000 の数にしてください（適用できません）'
check "an invalid interval is named" "$note" "$(settled "$note" edit_text 1075)"
dialog click 1002
sleep 1                        # as for OK above: a refusal leaves nothing to wait for
check "Apply refused: the window stays, nothing written" "yes <missing>" \
    "$(win_run "$BIN/driver.exe" find '#32770' "$SETTINGS_DIALOG" 0 >/dev/null && echo yes) $(stored Communication RequestInterval)"
dialog settext 1067 120
dialog settext 1068 'SI\r\n'
dialog settext 1069 5000
dialog settext 1070 3000
dialog select 1071 42          # F9 ...
dialog click 1073              # ... with Ctrl
dialog click 1074              # ... and Alt
dialog click 1002
note='※「要求キー」は他のプログラムが使用中です（設定は保存されました）'
check "the held key is reported on Apply" "$note" "$(settled "$note" edit_text 1075)"
check "saved all the same" '120 SI\r\n 5000 3000 0678' \
    "$(stored Communication FrameGap) $(stored Communication RequestCommand) $(stored Communication RequestInterval) $(stored Communication RequestTimeout) $(stored Communication RequestHotKey)"
dialog select 1071 41          # F8: nobody holds it
dialog click 1002
check "a free key is not reported" "" "$(settled "" edit_text 1075)"
check "and saved" "0677" "$(stored Communication RequestHotKey)"
dialog click 2
wait_until_gone '#32770' "$SETTINGS_DIALOG"
kill "$HOLDER_PID" 2>/dev/null || true
wait "$HOLDER_PID" 2>/dev/null || true
quit_resident

echo "== the data-editing page's sample holds the last frame received, control characters escaped"
reg_delete_key "$SETTINGS_KEY\\Edit"
start_resident
wait_for_port_open 5 || true
focus_sink
send_bytes '\x02A\x1dB\tC\x03'      # ACK/NAK STX/ETX, as saved above
sleep 1
open_dialog
dialog tab 1001 2
sleep 0.5
check "the sample is the last frame" 'A\x1DB\tC' "$(edit_text 1064)"
check "its preview" "[Ctrl+A]ABC[Tab]" "$(edit_text 1065)"
dialog click 2
wait_until_gone '#32770' "$SETTINGS_DIALOG"
quit_resident
# -----------------------------------------------------------------------------

echo "== on a screen set to 144 dpi the help window opens scaled"
# The window type gives 780x540 at 96 dpi; scaled, it is kept within the
# 1024x768 screen. The dpi is the prefix's, so it is put back however the
# test ends.
desktop='HKEY_CURRENT_USER\Control Panel\Desktop'
restore_dpi() { "$WINE" reg.exe delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true; }
trap 'restore_dpi; end_leftovers' EXIT
reg_add 'Control Panel\Desktop' LogPixels REG_DWORD 144
start_resident
open_dialog
dialog tab 1001 2
sleep 0.3
screenshot edit-page-144
dialog command 40002
win_run "$BIN/driver.exe" find 'HH Parent' 'Tellurin ヘルプ' 10000 >/dev/null || true
sleep 0.5
size=$(win_output "$BIN/driver.exe" rect 'HH Parent' 'Tellurin ヘルプ' | cut -d+ -f1 || true)
check "the help window is larger than 780x540" yes \
    "$(width=${size%x*} height=${size#*x}; [ "${width:-0}" -gt 780 ] && [ "${height:-0}" -gt 540 ] && echo yes || echo "no ($size)")"
dialog click 2
wait_until_gone '#32770' "$SETTINGS_DIALOG"
quit_resident
restore_dpi
stop_sink

exit "$failures"
