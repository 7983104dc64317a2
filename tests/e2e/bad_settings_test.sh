#!/usr/bin/env bash
# Stored settings of every wrong kind, for all thirteen values at once: the
# real program starts, runs on its built-in defaults (so it asks about COM1,
# which has no device here) and ends cleanly when told No. Values that are
# present but invalid stay stored; values too large to read count as missing,
# and the store is rebuilt with the first-use texts.
#   bad_settings_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
ln -sfn "$TELLUR_E2E_DIR/no-such-device" "$WINEPREFIX/dosdevices/com1"
names=(Communication:CommPort Communication:BaudRate Communication:Parity Communication:DataBit
    Communication:StopBit Communication:FlowControl Communication:Protocol Function:HeadKey Function:TermKey1
    Function:TermKey2 Function:KeySpeed Function:CapsLock Function:TrayIcon)
question=$(printf 'シリアルポート COM1 が取得できません。\n\n\u3000設定を変更しますか？')

# kind | reg.exe type | data | what stays stored afterwards (for CommPort)
kinds=(
    'a number|REG_DWORD|1|REG_DWORD 0x1'
    'binary too large to read|REG_BINARY|'"$(printf '41%.0s' {1..40})"'|REG_SZ COM1'
    'text filling the buffer|REG_SZ|XXXXXXXXXXXXXXX|REG_SZ XXXXXXXXXXXXXXX'
    'several strings|REG_MULTI_SZ|XCOM5\0x|REG_MULTI_SZ XCOM5\0x'
    'empty text|REG_SZ||REG_SZ'
)
for kind in "${kinds[@]}"; do
    IFS='|' read -r what type data kept <<<"$kind"
    echo "== every value stored as $what"
    reg_delete_key 'Software\Quorvel'
    for entry in "${names[@]}"; do
        reg_add "$SETTINGS_KEY\\${entry%%:*}" "${entry#*:}" "$type" "$data"
    done
    win_start RESIDENT_PID "$BIN/TELLUR.EXE"
    check "runs on the defaults" "$question" "$(win_output "$BIN/driver.exe" box-text 10000)"
    win_run "$BIN/driver.exe" box-answer no 5000
    wait_for_resident
    check "ends cleanly" 0 "$EXIT_CODE"
    check "CommPort afterwards" "$kept" "$(reg_value "$SETTINGS_KEY\\Communication" CommPort)"
done
exit "$failures"
