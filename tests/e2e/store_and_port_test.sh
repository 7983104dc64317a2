#!/usr/bin/env bash
# The settings library's store and port opening, through the real TELLURS.DLL
# loaded by path: first use fills the registry with the first-use texts, later
# loads read it back (invalid values ignored and kept), a COM port on a virtual
# line carries bytes both ways, and a port with no device asks its question.
# Policies under HKLM (written as Group Policy would, by reg.exe) override the
# user's values when they are valid, are ignored when not, are never copied into
# the user's store, and give a user with no store at all their first settings.
#   store_and_port_test.sh <harness dir> <64-bit build dir>
set -euo pipefail
export TELLUR_E2E_DIR=$1
BIN=$2
. "$(dirname "$0")/harness/harness.sh"
harness_env
dll=$(windows_path "$BIN/TELLURS.DLL")
base='Software\Quorvel\Tellurin\Ver.3'
failures=0
check() {  # check <what> <expected> <actual>
    if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAIL: $1: expected '$2', got '$3'"; failures=$((failures + 1)); fi
}

echo "== first use on an empty registry"
reg_delete_key 'Software\Quorvel'
defaults="result=1 CommPort=COM1 BaudRate=4800 Parity=N DataBit=8 StopBit=2 FlowControl=X Protocol=1 HeadKey=0000 TermKey1=000D TermKey2=0000 KeySpeed=5 CapsLock=N TrayIcon=Y CharacterCode=0 ImeOff=Y"
check "load on empty registry" "$defaults" "$(win_output "$BIN/library_probe.exe" load "$dll")"
for pair in CommPort=COM1 BaudRate=4800 Parity=N DataBit=8 StopBit=2 FlowControl=X Protocol=1; do
    check "Communication $pair" "REG_SZ ${pair#*=}" "$(reg_value "$base\\Communication" "${pair%%=*}")"
done
for pair in HeadKey=0000 TermKey1=000D TermKey2=0000 KeySpeed=5 CapsLock=N TrayIcon=Y CharacterCode=0 ImeOff=Y; do
    check "Function $pair" "REG_SZ ${pair#*=}" "$(reg_value "$base\\Function" "${pair%%=*}")"
done

echo "== stored values read back; an invalid one ignored and kept"
reg_set_text "$base\\Communication" CommPort COM7
reg_set_text "$base\\Communication" Parity NN
reg_set_text "$base\\Function" HeadKey 0241
check "load reads stored values" "${defaults/COM1/COM7}" \
    "$(win_output "$BIN/library_probe.exe" load "$dll" | sed 's/HeadKey=0241/HeadKey=0000/')"
check "invalid Parity stays stored (no rebuild)" "REG_SZ NN" "$(reg_value "$base\\Communication" Parity)"
check "HeadKey read as Ctrl+A" "HeadKey=0241" "$(win_output "$BIN/library_probe.exe" load "$dll" | grep -o 'HeadKey=[0-9A-F]*')"

echo "== CharacterCode missing, as older versions leave it; ImeOff stored"
"$WINE" reg.exe delete "HKEY_CURRENT_USER\\$base\\Function" /v CharacterCode /f >/dev/null 2>&1
reg_set_text "$base\\Function" ImeOff N
check "the default for the missing value, ImeOff as stored" \
    "CharacterCode=0 ImeOff=N" "$(win_output "$BIN/library_probe.exe" load "$dll" | grep -o 'CharacterCode=.*')"
check "a missing CharacterCode is not a reason to rebuild" "<missing> REG_SZ NN" \
    "$(reg_value "$base\\Function" CharacterCode) $(reg_value "$base\\Communication" Parity)"
reg_set_text "$base\\Function" CharacterCode 1
check "CharacterCode read as Shift-JIS" "CharacterCode=1" \
    "$(win_output "$BIN/library_probe.exe" load "$dll" | grep -o 'CharacterCode=[0-9]')"

echo "== policies: a valid one overrides the user's value, an invalid one is ignored, neither is stored"
policies='HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Quorvel\Tellurin\Ver.3'
policy() { "$WINE" reg.exe add "$policies\\$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null; }
policy Communication BaudRate 19200
policy Communication Protocol 9
policy Function TermKey1 0009
policy Edit CutHead 3
policy Edit Suffix '{hh}'
loaded=$(win_output "$BIN/library_probe.exe" load "$dll")
check "the policies' BaudRate and TermKey1, the user's Protocol" "BaudRate=19200 Protocol=1 TermKey1=0009" \
    "$(echo "$loaded" | grep -o 'BaudRate=[0-9]*\|Protocol=[0-9]\|TermKey1=[0-9A-F]*' | tr '\n' ' ' | sed 's/ $//')"
check "the user's own values stay stored" "REG_SZ 4800 REG_SZ 1 REG_SZ 000D" \
    "$(reg_value "$base\\Communication" BaudRate) $(reg_value "$base\\Communication" Protocol) $(reg_value "$base\\Function" TermKey1)"
check "the data-editing rules take the valid policy only" "result=1 CutHead=3 Suffix=" \
    "$(win_output "$BIN/library_probe.exe" edit "$dll" | grep -o 'result=[0-9]\|CutHead=[0-9]*\|Suffix=[^ ]*' | tr '\n' ' ' | sed 's/ $//')"
check "the invalid policy is left as the administrator wrote it" "9" \
    "$("$WINE" reg.exe query "$policies\\Communication" /v Protocol | tr -d '\r' | awk '$1 == "Protocol" {print $3}')"

echo "== a first start with no store takes the policies and stores only the user's side"
reg_delete_key 'Software\Quorvel'
loaded=$(win_output "$BIN/library_probe.exe" load "$dll")
check "first settings from the policies" "result=1 BaudRate=19200 TermKey1=0009" \
    "$(echo "$loaded" | grep -o 'result=[0-9]\|BaudRate=[0-9]*\|TermKey1=[0-9A-F]*' | tr '\n' ' ' | sed 's/ $//')"
check "the store holds the first-use values, none of the policies'" "REG_SZ COM1 <missing> <missing> REG_SZ 1" \
    "$(reg_value "$base\\Communication" CommPort) $(reg_value "$base\\Communication" BaudRate) $(reg_value "$base\\Function" TermKey1) $(reg_value "$base\\Communication" Protocol)"
# A rebuild would put back the probe's default Parity (N) stored after the missing BaudRate.
reg_set_text "$base\\Communication" Parity E
check "a value a policy sets missing from the store is no damage" "Parity=E REG_SZ E" \
    "$(win_output "$BIN/library_probe.exe" load "$dll" | grep -o 'Parity=.') $(reg_value "$base\\Communication" Parity)"
"$WINE" reg.exe delete "$policies" /f >/dev/null

echo "== a port on a virtual line carries bytes both ways"
line=$(serial_pair 5)
win_output "$BIN/library_probe.exe" open-port "$dll" COM5 9600 8 1 N R > "$TELLUR_E2E_DIR/open-com5.out" &
probe=$!
check "bytes from the port" "PING" "$(timeout 10 head -c 4 < "$line" || true)"
printf 'PONG' > "$line"
wait "$probe" || true
check "open-port COM5" $'result=0x0\nreceived=PONG' "$(cat "$TELLUR_E2E_DIR/open-com5.out")"

echo "== a port with no device asks whether to change the settings"
ln -sfn "$TELLUR_E2E_DIR/no-such-device" "$WINEPREFIX/dosdevices/com3"
question=$'シリアルポート COM3 が取得できません。\n\n\u3000設定を変更しますか？'
question=$(printf '%b' "$question")
for answer in yes no; do
    win_output "$BIN/library_probe.exe" open-port "$dll" COM3 > "$TELLUR_E2E_DIR/open-com3.out" &
    probe=$!
    check "question text ($answer)" "$question" "$(win_output "$BIN/driver.exe" box-text 10000)"
    win_run "$BIN/driver.exe" box-answer "$answer" 2000
    wait "$probe" || true
    expected=$([ "$answer" = yes ] && echo 0x601 || echo 0x604)
    check "answer $answer" $'result='"$expected"$'\nhandle untouched' "$(cat "$TELLUR_E2E_DIR/open-com3.out")"
done

exit "$failures"
