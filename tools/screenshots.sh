#!/usr/bin/env bash
# Takes the README's screenshots of the settings dialog (its three pages, and the
# first with a value an administrator's policy locks) and the about box under Wine, at 96 and at 144 DPI (the prefix's LogPixels), into
# docs/. Run after tools/build.sh; brings its own harness up and down.
set -euo pipefail
# usage: tools/screenshots.sh [harness dir]
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
harness=${1:-$build/screenshots}
"$root/tests/e2e/harness/start.sh" "$harness" "$build/native/libmodem_lines_shim.so" >/dev/null
trap '"$root/tests/e2e/harness/stop.sh" "$harness" >/dev/null 2>&1 || true' EXIT
. "$root/tests/e2e/resident_common.sh" "$harness" "$build/win-x86_64"
line=$(serial_pair 5)
open_line "$line"
configure_resident 5
policies='HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Quorvel\Tellurin\Ver.3'

# One dialog, cut out of the screen by its rectangle.
shoot() {  # shoot <window title> <file>
    local area
    sleep 0.7
    area=$(win_output "$BIN/driver.exe" rect '#32770' "$1")
    import -display "$DISPLAY" -window root -crop "$area" +repage "$2"
}

for dpi in 96 144; do
    "$WINE" reg.exe add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    start_resident
    wait_for_port_open 5 || true
    open_dialog
    shoot "$SETTINGS_DIALOG" "$root/docs/settings-communication-$dpi.png"
    dialog tab 1001 1
    shoot "$SETTINGS_DIALOG" "$root/docs/settings-function-$dpi.png"
    dialog tab 1001 2
    shoot "$SETTINGS_DIALOG" "$root/docs/settings-edit-$dpi.png"
    dialog command 40003
    wait_for_dialog 'Tellurinのバージョン情報'
    shoot 'Tellurinのバージョン情報' "$root/docs/about-$dpi.png"
    win_run "$BIN/driver.exe" click 'Tellurinのバージョン情報' 1
    wait_until_gone '#32770' 'Tellurinのバージョン情報'
    dialog click 2
    wait_until_gone '#32770' "$SETTINGS_DIALOG"
    "$WINE" reg.exe add "$policies\\Communication" /v BaudRate /t REG_SZ /d 19200 /f >/dev/null
    open_dialog
    shoot "$SETTINGS_DIALOG" "$root/docs/settings-locked-$dpi.png"
    dialog click 2
    wait_until_gone '#32770' "$SETTINGS_DIALOG"
    "$WINE" reg.exe delete "$policies" /f >/dev/null
    quit_resident
done
ls -l "$root"/docs/*-96.png "$root"/docs/*-144.png
