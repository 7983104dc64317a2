#!/usr/bin/env bash
# Start-up and its failures on the real binaries: a second start hands over to
# the first, also when it comes while the first is still starting; every
# stored rate and line setting reaches the line; a missing TELLURS.DLL, a
# refused Windows version and a port with no device each show their message
# and end with their exit code; an empty registry is filled with the
# first-use values.
#   resident_startup_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
line=$(serial_pair 5)
open_line "$line"

box_text() { win_output "$BIN/driver.exe" box-text 10000; }
answer_box() { win_run "$BIN/driver.exe" box-answer "$1" 5000; }

echo "== a second start hands over to the first and ends with 0"
configure_resident 5
start_resident
second=0
win_run "$BIN/TELLUR.EXE" || second=$?
check "second start exit code" 0 "$second"
check "the first instance opens its settings" yes \
    "$(win_run "$BIN/driver.exe" find '#32770' "$SETTINGS_DIALOG" 10000 >/dev/null && echo yes || echo no)"
check "the first instance still runs" yes "$(kill -0 "$RESIDENT_PID" 2>/dev/null && echo yes || echo no)"
win_run "$BIN/driver.exe" click "$SETTINGS_DIALOG" 2
wait_until_gone '#32770' "$SETTINGS_DIALOG"
quit_resident
check "it ends with exit code 0" 0 "$EXIT_CODE"

echo "== two starts in quick succession: one runs, the other waits for its window and hands over"
# The later start may come while the first is still loading its settings,
# holding the mutex with no window yet; it must wait, not fail. Three rounds,
# each without waiting for anything between the starts (a program that did not
# wait showed "Function Failure  (2)" in four of five such rounds here).
for round in 1 2 3; do
    win_start RESIDENT_PID "$BIN/TELLUR.EXE"
    win_start LATER_PID "$BIN/TELLUR.EXE"
    # Whichever took the mutex runs on; the other ends.
    ended=""
    for ((i = 0; i < 150 && ${#ended} == 0; i++)); do
        for pid in "$RESIDENT_PID" "$LATER_PID"; do kill -0 "$pid" 2>/dev/null || ended=$pid; done
        [ -n "$ended" ] || sleep 0.1
    done
    handed=none
    if [ -n "$ended" ]; then
        handed=0
        wait "$ended" || handed=$?
        [ "$ended" = "$RESIDENT_PID" ] && RESIDENT_PID=$LATER_PID
    fi
    check "round $round: one start hands over and ends with 0" 0 "$handed"
    check "round $round: no message" none "$(win_output "$BIN/driver.exe" box-text 300 2>/dev/null || echo none)"
    check "round $round: the running one opens its settings" yes \
        "$(win_run "$BIN/driver.exe" find '#32770' "$SETTINGS_DIALOG" 10000 >/dev/null && echo yes || echo no)"
    win_run "$BIN/driver.exe" click "$SETTINGS_DIALOG" 2
    wait_until_gone '#32770' "$SETTINGS_DIALOG"
    quit_resident
    check "round $round: the running one ends with exit code 0" 0 "$EXIT_CODE"
done

# The line as the program set it, read from the host side of its pty. A Linux
# pty forces CS8 and clears PARENB, so the data bits and whether parity is on
# cannot be seen there; the speed, CSTOPB, PARODD and CRTSCTS can.
program_end=$(readlink -f "$TELLUR_E2E_DIR/serial-5-program")
line_settings() { stty -F "$program_end" -a 2>/dev/null | tr ';\n' '  '; }
# Waits (up to 5 s) until the line shows every setting given (words or
# phrases, as stty prints them); prints those it showed.
line_shows() {
    local shown setting missing
    for ((i = 0; i < 50; i++)); do
        shown=" $(line_settings) " missing=0
        for setting in "$@"; do [[ $shown == *" $setting "* ]] || missing=1; done
        [ "$missing" -eq 0 ] && break
        sleep 0.1
    done
    for setting in "$@"; do [[ $shown == *" $setting "* ]] && printf '%s ' "$setting"; done
}
# Starts the program on the stored settings, checks that it opened the port
# without a question and that the line shows the settings, and ends it.
check_line() {  # check_line <what> <setting>...
    start_resident
    wait_for_port_open 5 100 || true
    check "$1 on the line" "$(printf '%s ' "${@:2}")" "$(line_shows "${@:2}")"
    local question
    question=$(win_output "$BIN/driver.exe" box-text 300 2>/dev/null || echo none)
    check "$1: no question" none "$question"
    if [ "$question" = none ]; then quit_resident; else answer_box no; wait_for_resident; fi
}

echo "== every rate of the list reaches the line"
for rate in 110 300 600 1200 2400 4800 9600 19200 38400 57600 115200; do
    configure_resident 5 BaudRate=$rate
    check_line "$rate baud" "speed $rate baud"
done

echo "== stop bits, odd parity and RTS/CTS reach the line"
configure_resident 5 BaudRate=9600 StopBit=2 Parity=O FlowControl=R
check_line "8O2 with RTS/CTS" cstopb parodd crtscts
# Output always waits for CTS (a fixed setting), which the pty shows as
# CRTSCTS too, so flow control none cannot be told from RTS/CTS here.
configure_resident 5 BaudRate=9600 StopBit=1 Parity=E FlowControl=N
check_line "8E1" -cstopb -parodd

echo "== a missing TELLURS.DLL"
alone="$TELLUR_E2E_DIR/alone"
rm -rf "$alone" && mkdir -p "$alone" && cp "$BIN/TELLUR.EXE" "$alone/"
win_start RESIDENT_PID "$alone/TELLUR.EXE"
check "message" "設定値の読み取りに失敗しました。" "$(box_text)"
answer_box ok
wait_for_resident
check "exit code" 5 "$EXIT_CODE"

echo "== Windows 2000 is refused"
reg_set_text 'Software\Wine' Version win2k
win_start RESIDENT_PID "$BIN/TELLUR.EXE"
check "message" "Windowsのバージョンが違います。" "$(box_text)"
answer_box ok
wait_for_resident
"$WINE" reg.exe delete 'HKEY_CURRENT_USER\Software\Wine' /v Version /f >/dev/null 2>&1
check "exit code" 3 "$EXIT_CODE"

echo "== an empty registry is filled with the first-use values"
reg_delete_key 'Software\Quorvel'
ln -sfn "$TELLUR_E2E_DIR/no-such-device" "$WINEPREFIX/dosdevices/com1"
win_start RESIDENT_PID "$BIN/TELLUR.EXE"
check "the default port COM1 has no device here" \
    "$(printf 'シリアルポート COM1 が取得できません。\n\n\u3000設定を変更しますか？')" "$(box_text)"
answer_box no
wait_for_resident
check "answering No ends the program (no message of its own: exit code 0)" 0 "$EXIT_CODE"
stored=""
for name in CommPort BaudRate Parity DataBit StopBit FlowControl Protocol; do
    stored+="$(reg_value "$SETTINGS_KEY\\Communication" "$name" | cut -d' ' -f2) "
done
for name in HeadKey TermKey1 TermKey2 KeySpeed CapsLock TrayIcon; do
    stored+="$(reg_value "$SETTINGS_KEY\\Function" "$name" | cut -d' ' -f2) "
done
check "first-use values" "COM1 4800 N 8 2 X 1 0000 000D 0000 5 N Y " "$stored"

echo "== a port with no device, answered Yes, leads into the settings"
configure_resident 5 CommPort=COM3
ln -sfn "$TELLUR_E2E_DIR/no-such-device" "$WINEPREFIX/dosdevices/com3"
win_start RESIDENT_PID "$BIN/TELLUR.EXE"
check "question" "$(printf 'シリアルポート COM3 が取得できません。\n\n\u3000設定を変更しますか？')" "$(box_text)"
answer_box yes
check "the settings dialog opens" yes \
    "$(win_run "$BIN/driver.exe" find '#32770' "$SETTINGS_DIALOG" 10000 >/dev/null && echo yes || echo no)"
win_run "$BIN/driver.exe" command "$SETTINGS_DIALOG" 40001
wait_for_resident
check "its exit command ends the program (exit code 0: no message of its own)" 0 "$EXIT_CODE"

exit "$failures"
