#!/usr/bin/env bash
# The per-user installer under Wine: a silent install puts the files, the
# Start-menu entry and the start with Windows in place; the installed program
# types a frame from the virtual line; a silent uninstall stops it and removes
# the files, and the settings key when asked; the installer's pages are
# Japanese under a Japanese display language; an upgrade ends the running copy,
# starts the new one afterwards and removes the start with Windows when it is
# unticked; a copy that does not end makes a silent install give up within
# 20 s and change nothing, and an interactive one say so in Japanese and
# change nothing on Cancel; an upgrade stays in a folder of the user's own.
# Wine cannot show what depends on elevation (its processes are all elevated
# and it has no shell window to compare with) or the mark of the web.
#   installer_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
line=$(serial_pair 5)
open_line "$line"
log="$TELLUR_E2E_DIR/installer-keys.log"
user_dir=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n 1)
installed="$user_dir/AppData/Local/Programs/Tellurin"
menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tellurin"
run_value() { reg_value 'Software\Microsoft\Windows\CurrentVersion\Run' Tellurin; }
UNINSTALL_KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tellurin'
setup="$BIN/Tellurin-3.0.4.3-x64-setup.exe"
exists() { [ -e "$1" ] && echo yes || echo no; }

echo "== a running copy that does not take UM_QUIT: a silent install gives up and changes nothing"
# Stands for an elevated copy (the message is dropped between integrity
# levels) or a hung one: a window of the program's class and title that
# ignores the message.
win_start STAND_IN_PID "$BIN/driver.exe" stand-in 60
win_run "$BIN/driver.exe" find NON_Tellurin Tellurin 10000 >/dev/null
started=$SECONDS
code=0
timeout 60 "$WINE" "$setup" /S || code=$?
check "exit code" 2 "$code"
check "gave up within 20 s" yes "$([ $((SECONDS - started)) -le 20 ] && echo yes || echo no)"
check "no files" no "$(exists "$installed")"
check "no Start-menu entry" no "$(exists "$menu")"
check "no uninstall entry" "<missing>" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
check "no start with Windows" "<missing>" "$(run_value)"

echo "== interactively, setup says so in Japanese, and Cancel changes nothing"
title='Tellurin 3.0.4.3 セットアップ'
win_start SETUP_PID "$setup"
win_run "$BIN/driver.exe" find '#32770' "$title" 10000 >/dev/null || true
# Next on the welcome page, then on the components and folder pages, whose
# window title ends in a space.
for page_title in "$title" "$title " "$title "; do
    sleep 1
    win_run "$BIN/driver.exe" command "$page_title" 1 >/dev/null || true
done
box=$(win_output "$BIN/driver.exe" box-text 20000 "$title" || true)
check "the box says why, in Japanese" yes "$([[ $box == "Tellurin が実行中のままで、終了の求めに応じませんでした"* ]] && echo yes || echo no)"
win_run "$BIN/driver.exe" box-answer cancel 2000 "$title" >/dev/null || true
# The aborted setup enables its Cancel button a moment after the box has gone.
for ((i = 0; i < 20; i++)); do
    kill -0 "$SETUP_PID" 2>/dev/null || break
    win_run "$BIN/driver.exe" command "$title " 2 >/dev/null 2>&1 || true
    sleep 0.5
done
kill "$SETUP_PID" 2>/dev/null || true
code=0
wait "$SETUP_PID" || code=$?
check "exit code" 2 "$code"
check "no files" no "$(exists "$installed")"
check "no uninstall entry" "<missing>" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
kill "$STAND_IN_PID" 2>/dev/null || true
wait "$STAND_IN_PID" 2>/dev/null || true

echo "== silent install"
reg_delete_key 'Software\Quorvel'
code=0
win_run "$setup" /S || code=$?
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
wait_until_uninstalled "$installed" "$menu" || true
# The settings go last: once they are gone, so is everything before them.
for ((i = 0; i < 50; i++)); do [ "$(reg_value "$SETTINGS_KEY\\Communication" CommPort)" = "<missing>" ] && break; sleep 0.2; done
check "files removed" no "$([ -e "$installed" ] && echo yes || echo no)"
check "Start-menu entry removed" no "$([ -e "$menu" ] && echo yes || echo no)"
check "start with Windows removed" "<missing>" "$(run_value)"
check "settings key removed" "<missing>" "$(reg_value "$SETTINGS_KEY\\Communication" CommPort)"

echo "== a silent uninstall without the option keeps the settings"
win_run "$setup" /S
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

echo "== an upgrade ends the running copy, starts the new one and takes back the start with Windows when unticked"
win_run "$setup" /S
check "starts with Windows" yes "$([ "$(run_value)" != "<missing>" ] && echo yes || echo no)"
start_resident "$installed"
code=0
win_run "$setup" /S /NOAUTOSTART || code=$?
check "upgrade exit code" 0 "$code"
wait_for_resident
check "the running copy was ended (exit code 0)" 0 "$EXIT_CODE"
check "a new copy runs" yes \
    "$(win_run "$BIN/driver.exe" find NON_Tellurin Tellurin 10000 >/dev/null && echo yes || echo no)"
check "upgraded files in place" yes "$([ -f "$installed/TELLUR.EXE" ] && [ -f "$installed/Uninstall.exe" ] && echo yes || echo no)"
check "start with Windows removed" "<missing>" "$(run_value)"
check "size shown in the uninstall entry" yes \
    "$([[ $(reg_value 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Tellurin' EstimatedSize) == "REG_DWORD 0x"[1-9a-f]* ]] && echo yes || echo no)"
win_run "$installed/Uninstall.exe" /S || true
wait_until_uninstalled "$installed" || true
check "the uninstaller ended the new copy" no \
    "$(win_run "$BIN/driver.exe" find NON_Tellurin Tellurin 0 >/dev/null && echo yes || echo no)"

echo "== an upgrade without /D= stays in a folder of the user's own"
own='C:\OwnPlace\Tellurin'
own_unix="$WINEPREFIX/drive_c/OwnPlace/Tellurin"
win_run "$setup" /S "/D=$own"
check "installed in the folder chosen" yes "$(exists "$own_unix/TELLUR.EXE")"
: > "$own_unix/TELLURS.DLL"  # so that the upgrade can be seen to replace it
code=0
win_run "$setup" /S || code=$?
check "upgrade exit code" 0 "$code"
check "files replaced in that folder" same "$(cmp -s "$BIN/TELLURS.DLL" "$own_unix/TELLURS.DLL" && echo same || echo differs)"
check "the default folder stays empty" no "$(exists "$installed")"
check "the uninstall entry points there" "REG_SZ $own" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
win_run "$own_unix/Uninstall.exe" /S || true
wait_until_uninstalled "$own_unix" || true
stop_sink
exit "$failures"
