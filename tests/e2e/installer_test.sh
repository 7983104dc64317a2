#!/usr/bin/env bash
# The per-user installer under Wine: a silent install puts the files, the
# Start-menu entry and the start with Windows in place; the installed program
# types a frame from the virtual line; a silent uninstall stops it and removes
# the files, and the settings key when asked; the installer's pages are
# Japanese under a Japanese display language; an upgrade ends the running copy
# and removes the start with Windows when it is unticked.
#   installer_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
line=$(serial_pair 5)
open_line "$line"
log="$TELLUR_E2E_DIR/installer-keys.log"
user_dir=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n 1)
installed="$user_dir/AppData/Local/Programs/Tellurin"
menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tellurin"
run_value() { reg_value 'Software\Microsoft\Windows\CurrentVersion\Run' Tellurin; }

echo "== silent install"
reg_delete_key 'Software\Quorvel'
code=0
win_run "$BIN/Tellurin-3.0.4.3-x64-setup.exe" /S || code=$?
check "installer exit code" 0 "$code"
for file in TELLUR.EXE TELLURS.DLL TELLURHLP.CHM Uninstall.exe; do
    check "installed $file" yes "$([ -f "$installed/$file" ] && echo yes || echo no)"
done
check "Start-menu entry" yes "$([ -f "$menu/Tellurin.lnk" ] && echo yes || echo no)"
check "starts with Windows" "REG_SZ \"C:\\users\\$(basename "$user_dir")\\AppData\\Local\\Programs\\Tellurin\\TELLUR.EXE\"" "$(run_value)"

echo "== the installed program types a frame"
configure_resident 5
start_sink "$log"
start_resident "$installed"
send_bytes '\x02Installed 1\x03'
wait_for_typed "$log" 12
check "typed" 'Installed 1\r' "$(typed_text "$log")"
check "answered" "06" "$(answers_on_line)"

echo "== silent uninstall, settings removed on request"
win_run "$installed/Uninstall.exe" /S /REMOVESETTINGS || true
wait_for_resident
check "the running program was stopped (exit code 0)" 0 "$EXIT_CODE"
wait_until_uninstalled "$installed" || true
check "files removed" no "$([ -e "$installed" ] && echo yes || echo no)"
check "Start-menu entry removed" no "$([ -e "$menu" ] && echo yes || echo no)"
check "start with Windows removed" "<missing>" "$(run_value)"
for ((i = 0; i < 50; i++)); do [ "$(reg_value "$SETTINGS_KEY\\Communication" CommPort)" = "<missing>" ] && break; sleep 0.2; done
check "settings key removed" "<missing>" "$(reg_value "$SETTINGS_KEY\\Communication" CommPort)"

echo "== a silent uninstall without the option keeps the settings"
win_run "$BIN/Tellurin-3.0.4.3-x64-setup.exe" /S
configure_resident 5
win_run "$installed/Uninstall.exe" /S || true
wait_until_uninstalled "$installed" || true
check "files removed" no "$([ -e "$installed/TELLUR.EXE" ] && echo yes || echo no)"
check "settings kept" "REG_SZ COM5" "$(reg_value "$SETTINGS_KEY\Communication" CommPort)"

echo "== with a Japanese display language the installer speaks Japanese"
LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 win_start SETUP_PID "$BIN/Tellurin-3.0.4.3-x64-setup.exe"
check "its first page is titled in Japanese" found \
    "$(win_run "$BIN/driver.exe" find '#32770' 'Tellurin 3.0.4.3 セットアップ' 10000 >/dev/null && echo found || echo missing)"
win_run "$BIN/driver.exe" close '#32770' 'Tellurin 3.0.4.3 セットアップ' >/dev/null 2>&1 || true
wait "$SETUP_PID" 2>/dev/null || true

echo "== an upgrade ends the running copy and takes back the start with Windows when unticked"
win_run "$BIN/Tellurin-3.0.4.3-x64-setup.exe" /S
check "starts with Windows" yes "$([ "$(run_value)" != "<missing>" ] && echo yes || echo no)"
start_resident "$installed"
code=0
win_run "$BIN/Tellurin-3.0.4.3-x64-setup.exe" /S /NOAUTOSTART || code=$?
check "upgrade exit code" 0 "$code"
wait_for_resident
check "the running copy was ended (exit code 0)" 0 "$EXIT_CODE"
check "upgraded files in place" yes "$([ -f "$installed/TELLUR.EXE" ] && [ -f "$installed/Uninstall.exe" ] && echo yes || echo no)"
check "start with Windows removed" "<missing>" "$(run_value)"
check "size shown in the uninstall entry" yes \
    "$([[ $(reg_value 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Tellurin' EstimatedSize) == "REG_DWORD 0x"[1-9a-f]* ]] && echo yes || echo no)"
win_run "$installed/Uninstall.exe" /S || true
wait_until_uninstalled "$installed" || true
stop_sink
exit "$failures"
