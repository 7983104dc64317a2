#!/usr/bin/env bash
# The per-user installer under Wine: a silent install puts the files, the
# Start-menu entry and the start with Windows in place; the installed program
# types a frame from the virtual line; a silent uninstall stops it and removes
# the files, and the settings key when asked; the installer's pages are
# Japanese under a Japanese display language; an upgrade ends the running copy
# and removes the start with Windows when it is unticked, and later upgrades
# keep it as the user left it; a copy that does not end (with a window, or
# still starting with none) makes a silent install give up within 20 s with
# exit code 10 and change nothing, and an interactive one say so in Japanese
# and change nothing on Cancel; a copy still starting is waited for and asked
# to quit once its window is there; a folder that cannot be made, or a file of
# the installation held open, gives exit code 12 before any file is replaced
# and leaves the entries as they were; an upgrade stays in a folder of
# the user's own; an orphan copy's uninstaller leaves the current copy's
# entries.
# Wine's tokens all say "elevated" (full), so setup never starts Tellurin here,
# and the system account and other accounts cannot be made: the refusal (exit
# code 11) and the warning for another account are not shown. Nor is the mark
# of the web.
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
# No Start-menu entry, no uninstall entry and no start with Windows.
check_no_entries() {
    check "$1Start-menu entry" no "$(exists "$menu")"
    check "$1uninstall entry" "<missing>" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
    check "$1start with Windows" "<missing>" "$(run_value)"
}
# The program's single-instance mutex, named where the program defines it.
mutex=$(sed -n 's/.*IdentityTable\[3\] = {u"\([^"]*\)".*/\1/p' "$(dirname "$0")/../../resident/shell/startup.cpp")
[ -n "$mutex" ] || { echo "FAIL: the program's mutex name was not found"; exit 1; }
# Asks every copy of the program to quit and waits (up to 20 s) until none is left.
quit_every_copy() {
    for ((i = 0; i < 100; i++)); do
        win_run "$BIN/driver.exe" find NON_Tellurin Tellurin 0 >/dev/null 2>&1 || return 0
        win_run "$BIN/driver.exe" post NON_Tellurin Tellurin 0x604 >/dev/null 2>&1 || true
        sleep 0.2
    done
    return 1
}

echo "== a running copy that does not take UM_QUIT: a silent install gives up and changes nothing"
# Stands for an elevated copy (the message is dropped between integrity
# levels) or a hung one: a window of the program's class and title that
# ignores the message.
win_start STAND_IN_PID "$BIN/driver.exe" stand-in 60
win_run "$BIN/driver.exe" find NON_Tellurin Tellurin 10000 >/dev/null
started=$SECONDS
code=0
timeout 60 "$WINE" "$setup" /S || code=$?
check "exit code" 10 "$code"
check "gave up within 20 s" yes "$([ $((SECONDS - started)) -le 20 ] && echo yes || echo no)"
check "no files" no "$(exists "$installed")"
check_no_entries "no "
kill "$STAND_IN_PID" 2>/dev/null || true
wait "$STAND_IN_PID" 2>/dev/null || true

echo "== a copy still starting that never shows its window: interactively, setup says so in Japanese, and Cancel changes nothing"
win_start HOLDER_PID "$BIN/driver.exe" starting-copy "$mutex" 60000 60
win_run "$BIN/driver.exe" mutex-held "$mutex" 10000
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
check "the box says why, in Japanese" yes "$([[ $box == "Tellurin が実行中のままで、終了を求めてから 10 秒たっても終了しませんでした"* ]] && echo yes || echo no)"
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
check "exit code" 10 "$code"
check "no files" no "$(exists "$installed")"
check "no uninstall entry" "<missing>" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
kill "$HOLDER_PID" 2>/dev/null || true
wait "$HOLDER_PID" 2>/dev/null || true

echo "== a /D= folder that cannot be made: a silent install ends with exit code 12 and writes no entry"
blocked='C:\Blocked'
: > "$WINEPREFIX/drive_c/Blocked"  # a plain file stands where the folder should be
code=0
win_run "$setup" /S "/D=$blocked" || code=$?
check "exit code" 12 "$code"
check_no_entries "no "

echo "== silent install, while a copy is still starting: it is waited for and asked to quit"
reg_delete_key 'Software\Quorvel'
win_start HOLDER_PID "$BIN/driver.exe" starting-copy "$mutex" 3000 20
win_run "$BIN/driver.exe" mutex-held "$mutex" 10000
code=0
win_run "$setup" /S || code=$?
check "installer exit code" 0 "$code"
code=0
wait "$HOLDER_PID" || code=$?
check "the starting copy was asked to quit once its window was there (exit code 0)" 0 "$code"
for file in TELLUR.EXE TELLURS.DLL TELLURHLP.CHM Uninstall.exe; do
    check "installed $file" yes "$([ -f "$installed/$file" ] && echo yes || echo no)"
done
check "Start-menu entry" yes "$([ -f "$menu/Tellurin.lnk" ] && echo yes || echo no)"
installed_windows="C:\\users\\$(basename "$user_dir")\\AppData\\Local\\Programs\\Tellurin"
check "starts with Windows" "REG_SZ \"$installed_windows\\TELLUR.EXE\"" "$(run_value)"

echo "== a setup that cannot write leaves the installed copy's entries as they were"
code=0
win_run "$setup" /S "/D=$blocked" || code=$?
check "exit code" 12 "$code"
check "the uninstall entry still names the installed copy" "REG_SZ $installed_windows" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
check "the start with Windows still names it" "REG_SZ \"$installed_windows\\TELLUR.EXE\"" "$(run_value)"
check "the Start-menu entry stays" yes "$(exists "$menu/Tellurin.lnk")"

echo "== a file of the installation held open: setup ends with exit code 12 before it replaces any file"
: > "$installed/TELLURS.DLL"  # so that a replacement would show
rm -f "$TELLUR_E2E_DIR/held"
win_start HOLD_PID "$BIN/driver.exe" hold-file "$(windows_path "$installed")\TELLURHLP.CHM" \
    "$(windows_path "$TELLUR_E2E_DIR")\held" 60
wait_for_file "$TELLUR_E2E_DIR/held" 100 || echo "the help file was never held"
code=0
win_run "$setup" /S || code=$?
check "exit code" 12 "$code"
check "no file replaced" 0 "$(stat -c %s "$installed/TELLURS.DLL")"
check "the uninstall entry still names the installed copy" "REG_SZ $installed_windows" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
kill "$HOLD_PID" 2>/dev/null || true
wait "$HOLD_PID" 2>/dev/null || true
win_run "$setup" /S

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
check_no_entries "removed: "
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

echo "== an upgrade ends the running copy and takes back the start with Windows when unticked; later upgrades keep it as left"
win_run "$setup" /S
check "starts with Windows" yes "$([ "$(run_value)" != "<missing>" ] && echo yes || echo no)"
start_resident "$installed"
code=0
win_run "$setup" /S /NOAUTOSTART || code=$?
check "upgrade exit code" 0 "$code"
wait_for_resident
check "the running copy was ended (exit code 0)" 0 "$EXIT_CODE"
# On Windows a setup that is not elevated starts the new copy again here.
check "setup, elevated by its own token, starts no new copy" no \
    "$(win_run "$BIN/driver.exe" find NON_Tellurin Tellurin 4000 >/dev/null && echo yes || echo no)"
quit_every_copy
check "upgraded files in place" yes "$([ -f "$installed/TELLUR.EXE" ] && [ -f "$installed/Uninstall.exe" ] && echo yes || echo no)"
check "start with Windows removed" "<missing>" "$(run_value)"
check "size shown in the uninstall entry" yes \
    "$([[ $(reg_value 'Software\Microsoft\Windows\CurrentVersion\Uninstall\Tellurin' EstimatedSize) == "REG_DWORD 0x"[1-9a-f]* ]] && echo yes || echo no)"
win_run "$setup" /S
check "a silent upgrade keeps the start with Windows off" "<missing>" "$(run_value)"
win_run "$setup" /S /AUTOSTART
check "/AUTOSTART turns it on" "REG_SZ \"$installed_windows\\TELLUR.EXE\"" "$(run_value)"

echo "== an interactive upgrade skips the folder page"
: > "$installed/TELLURS.DLL"  # so that the upgrade can be seen to replace it
win_start SETUP_PID "$setup"
win_run "$BIN/driver.exe" find '#32770' "$title" 10000 >/dev/null || true
# Next on the welcome page and on the components page: the files go in.
for page_title in "$title" "$title "; do
    sleep 1
    win_run "$BIN/driver.exe" command "$page_title" 1 >/dev/null || true
done
for ((i = 0; i < 50; i++)); do cmp -s "$BIN/TELLURS.DLL" "$installed/TELLURS.DLL" && break; sleep 0.2; done
check "installed without a folder page" same "$(cmp -s "$BIN/TELLURS.DLL" "$installed/TELLURS.DLL" && echo same || echo differs)"
# Finish, on the last page (its title ends in a space too).
for ((i = 0; i < 20; i++)); do
    kill -0 "$SETUP_PID" 2>/dev/null || break
    win_run "$BIN/driver.exe" command "$title " 1 >/dev/null 2>&1 || true
    sleep 0.5
done
kill "$SETUP_PID" 2>/dev/null || true
wait "$SETUP_PID" 2>/dev/null || true
win_run "$installed/Uninstall.exe" /S || true
wait_until_uninstalled "$installed" || true
quit_every_copy

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
check "the start with Windows kept, pointing there" "REG_SZ \"$own\\TELLUR.EXE\"" "$(run_value)"

echo "== the uninstaller of a copy left behind leaves the current copy's entries"
win_run "$setup" /S "/D=$installed_windows"
check "the uninstall entry names the current copy" "REG_SZ $installed_windows" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
# With _?= the uninstaller runs in place, so it can be waited for and gives
# its exit code; it cannot remove itself and its folder then.
code=0
win_run "$own_unix/Uninstall.exe" /S "_?=$own" || code=$?
check "the orphan's uninstaller exit code" 0 "$code"
check "the orphan's program removed" no "$(exists "$own_unix/TELLUR.EXE")"
check "the orphan's uninstaller itself stays" yes "$(exists "$own_unix/Uninstall.exe")"
check "the uninstall entry still names the current copy" "REG_SZ $installed_windows" "$(reg_value "$UNINSTALL_KEY" InstallLocation)"
check "the start with Windows still names the current copy" "REG_SZ \"$installed_windows\\TELLUR.EXE\"" "$(run_value)"
check "the Start-menu entry stays" yes "$(exists "$menu/Tellurin.lnk")"
check "the current copy's files stay" yes "$(exists "$installed/TELLUR.EXE")"
code=0
win_run "$installed/Uninstall.exe" /S "_?=$installed_windows" || code=$?
check "the current copy's uninstaller exit code" 0 "$code"
check_no_entries "removed: its "
stop_sink
exit "$failures"
