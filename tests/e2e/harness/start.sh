#!/usr/bin/env bash
# Brings the end-to-end harness up: Xvfb on a free display with the Japanese
# keyboard layout, a fresh Wine prefix that never blocks on a crash dialog and
# renders Japanese, and one wineserver kept alive for the whole run.
#   start.sh <harness dir> <modem-line library> [<pristine prefix>]
# Given a pristine prefix (made once by pristine.sh), the harness copies it
# instead of booting one: a copy takes a second, wineboot many.
set -euo pipefail
export TELLUR_E2E_DIR=$1
MODEM_SHIM=$2
PRISTINE_PREFIX=${3:-}
. "$(dirname "$0")/harness.sh"

"$HARNESS_DIR/stop.sh" "$TELLUR_E2E_DIR" >/dev/null 2>&1 || true
rm -rf "$TELLUR_E2E_DIR"
mkdir -p "$TELLUR_E2E_DIR"
: > "$E2E_PIDS"

Xvfb -displayfd 5 </dev/null -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$TELLUR_E2E_DIR/display" \
    >"$TELLUR_E2E_DIR/xvfb.log" 2>&1 &
harness_track $!
wait_for_file "$TELLUR_E2E_DIR/display" 100 nonempty || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(tr -d '[:space:]' < "$TELLUR_E2E_DIR/display")"
export DISPLAY
# Our users' keyboards are Japanese (106/109 keys); a test may switch.
use_keyboard_layout jp

# A new prefix: wineboot, then the settings every test relies on.
boot_prefix() {
    "$WINE" wineboot.exe -i >"$TELLUR_E2E_DIR/wineboot.log" 2>&1
    wineserver -w
    # Japanese Windows draws dialogs in MS UI Gothic; the prefix has no such
    # font, and Wine's fallback is wider and cuts labels short, so the IPA
    # fonts stand in.
    cat > "$TELLUR_E2E_DIR/harness.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]
"Tahoma"=hex(7):69,70,61,67,70,2e,74,74,66,2c,49,50,41,50,47,6f,74,68,69,63,00,00
REG
    "$WINE" regedit.exe /S "$TELLUR_E2E_DIR/harness.reg" >/dev/null 2>&1
    wineserver -w
}

cat > "$E2E_STATE" <<STATE
DISPLAY=$DISPLAY
MODEM_SHIM=$MODEM_SHIM
STATE
harness_env
unset LD_PRELOAD  # not needed while the prefix is made

if [ -n "$PRISTINE_PREFIX" ]; then
    # Nothing is shared with the pristine prefix, so no test sees another's writes.
    cp -a "$PRISTINE_PREFIX" "$WINEPREFIX"
else
    boot_prefix
fi
# Stays up for the run (stop.sh ends it); no inherited output pipes, or CTest
# would wait for it.
wineserver -p </dev/null >/dev/null 2>&1
# Wine's own background programs (services, the desktop) start with the first
# program and outlive it; start them here, detached from every pipe, so a test
# that reads a program's output is not held open by them.
"$WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1
echo "harness up on display $DISPLAY, prefix $WINEPREFIX"
