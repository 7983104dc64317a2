#!/usr/bin/env bash
# TELLURS.DLL loads by full path under Wine, its five entries and its
# interface number are found by their exact names, and the pair refuses a
# partner of another interface both ways: loaded into a program without the
# number or with another one, every entry fails and fills none of the
# caller's records; TELLUR.EXE beside a library of another interface says so
# and ends with exit code 13, having called none of its entries.
#   library_entries_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
dll=$(windows_path "$BIN/TELLURS.DLL")

echo "== the entries and the interface number, by name"
check "lookup" $'TELLURS_00 found\nTELLURS_01 found\nTELLURS_02 found\nTELLURS_03 found\nTELLURS_04 found\nTELLURS_INTERFACE found' \
    "$(win_output "$BIN/library_probe.exe" lookup "$dll")"

echo "== a program of this interface is served"
reg_delete_key 'Software\Quorvel'
win_output "$BIN/library_probe.exe" load "$dll" >/dev/null  # first use fills the store
reg_set_text "$SETTINGS_KEY\\Communication" CommPort COM7
check "the stored port is read" "result=1 CommPort=COM7" \
    "$(win_output "$BIN/library_probe.exe" load "$dll" | cut -d' ' -f1,2)"

echo "== the editing rules come from their own key, in a record that says its size"
check "no Edit key: the defaults" "result=1 CutHead=0 FieldKey=0009 FieldSeparator= Suffix=" \
    "$(win_output "$BIN/library_probe.exe" edit "$dll")"
reg_set_text "$SETTINGS_KEY\\Edit" CutHead 4
reg_set_text "$SETTINGS_KEY\\Edit" FieldSeparator '\x1D'
reg_set_text "$SETTINGS_KEY\\Edit" Suffix '\t{HH}'
check "stored rules, as written" 'result=1 CutHead=4 FieldKey=0009 FieldSeparator=\x1D Suffix=\t{HH}' \
    "$(win_output "$BIN/library_probe.exe" edit "$dll")"
check "a record of another size is left alone" "result=0 CutHead=65535" \
    "$(win_output "$BIN/library_probe.exe" edit "$dll" 100 | cut -d' ' -f1,2)"

echo "== the device's values come from the Communication key, in a record that says its size"
check "none stored: the defaults" \
    "result=1 FrameGap=50 RequestInterval=0 RequestTimeout=2000 RequestHotKey=0000 RequestCommand= Reserved=0000" \
    "$(win_output "$BIN/library_probe.exe" device "$dll")"
reg_set_text "$SETTINGS_KEY\\Communication" FrameGap 120
reg_set_text "$SETTINGS_KEY\\Communication" RequestCommand '\x1BP'
reg_set_text "$SETTINGS_KEY\\Communication" RequestInterval 5000
reg_set_text "$SETTINGS_KEY\\Communication" RequestHotKey 0678
reg_set_text "$SETTINGS_KEY\\Communication" RequestTimeout 99  # below the range: the default
check "stored values, as written" \
    'result=1 FrameGap=120 RequestInterval=5000 RequestTimeout=2000 RequestHotKey=0678 RequestCommand=\x1BP Reserved=0000' \
    "$(win_output "$BIN/library_probe.exe" device "$dll")"
win_output "$BIN/library_probe.exe" load "$dll" >/dev/null
check "the invalid value stays stored, through a load of the other records too" "REG_SZ 99" \
    "$(reg_value "$SETTINGS_KEY\\Communication" RequestTimeout)"
check "a record of another size is left alone" "result=0 FrameGap=65535" \
    "$(win_output "$BIN/library_probe.exe" device "$dll" 272 | cut -d' ' -f1,2)"

# The probe's records start with the first-use values (COM1): a refused load
# leaves them so, where the store says COM7. library_probe_old.exe exports no
# number, as a program from before it; library_probe.exe exports the one in
# TELLUR_PROBE_INTERFACE, here 0, which no release has.
export TELLUR_PROBE_INTERFACE=0
for probe in library_probe_old.exe library_probe.exe; do
    echo "== $probe is refused by every entry"
    check "load: failed, records untouched" "result=0 CommPort=COM1" \
        "$(win_output "$BIN/$probe" load "$dll" | cut -d' ' -f1,2)"
    # Let through, the opening of a port with no device would ask and wait.
    check "port opening: failed without a question, handle untouched" $'result=0x4\nhandle untouched' \
        "$(timeout 20 "$WINE" "$BIN/$probe" open-port "$dll" COM5 | tr -d '\r')"
    check "settings dialog: not set up" "result=10" "$(win_output "$BIN/$probe" dialog "$dll")"
    check "editing rules: failed, record untouched" "result=0 CutHead=65535" \
        "$(win_output "$BIN/$probe" edit "$dll" | cut -d' ' -f1,2)"
    check "device values: failed, record untouched" "result=0 FrameGap=65535" \
        "$(win_output "$BIN/$probe" device "$dll" | cut -d' ' -f1,2)"
done
unset TELLUR_PROBE_INTERFACE

echo "== TELLUR.EXE beside a library of another interface"
pair="$TELLUR_E2E_DIR/foreign-pair"
rm -rf "$pair" && mkdir -p "$pair" && cp "$BIN/TELLUR.EXE" "$pair/" && cp "$BIN/foreign_library.dll" "$pair/TELLURS.DLL"
win_start RESIDENT_PID "$pair/TELLUR.EXE"
check "message" "TELLURS.DLLの版が違います。" "$(win_output "$BIN/driver.exe" box-text 10000)"
win_run "$BIN/driver.exe" box-answer ok 5000
wait_for_resident
check "exit code (99 had an entry of that library been called)" 13 "$EXIT_CODE"
exit "$failures"
