#!/usr/bin/env bash
# The Windows Installer package: the release version's mapping to
# ProductVersion and its limits; then under Wine, a silent install of an older
# package, then a newer one over it, leaves one entry in Apps, the newer
# files under Program Files, the Start-menu shortcut and the
# start at every logon (HKLM Run); Tellurin starts from Program Files; an
# older package does not go over a newer one; a silent uninstall removes
# everything the package added and leaves the user's settings alone; with
# AUTOSTART=0 there is no Run value.
# Wine cannot show what happens to a copy running in another session, and it
# puts the shortcut into the installing user's Start menu, where Windows uses
# the all-users one for a package with ALLUSERS=1.
#   msi_test.sh <harness dir> <64-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$@"
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$TELLUR_E2E_DIR/msi"
rm -rf "$work" && mkdir -p "$work/older"
line=$(serial_pair 5)
open_line "$line"

# The older package holds a stand-in library, so that the upgrade can be seen
# to replace it.
cp "$BIN/TELLUR.EXE" "$BIN/TELLURHLP.CHM" "$work/older/"
echo "library of the older package" > "$work/older/TELLURS.DLL"
"$root/tools/make_msi.sh" "$work/older" x64 "$work/older.msi" 3.0.0.1 2>/dev/null
"$root/tools/make_msi.sh" "$BIN" x64 "$work/newer.msi" 2>/dev/null
older=$(windows_path "$work/older.msi") newer=$(windows_path "$work/newer.msi")
product_version() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" {print $2}'; }
newer_version=$(product_version "$work/newer.msi")

echo "== a.b.c.d becomes ProductVersion a.b.(c*1000+d), within the fields' limits"
"$root/tools/make_msi.sh" "$work/older" x64 "$work/highest.msi" 255.255.65.535 2>/dev/null
check "the highest version that fits" 255.255.65535 "$(product_version "$work/highest.msi")"
for version in 3.0.4.1000 3.0.66.0 3.0.65.536 256.0.0.0 3.0.4; do
    code=0
    "$root/tools/make_msi.sh" "$work/older" x64 "$work/refused.msi" "$version" 2>/dev/null || code=$?
    check "$version refused" "1 no" "$code $([ -e "$work/refused.msi" ] && echo yes || echo no)"
done

programs="$WINEPREFIX/drive_c/Program Files/Tellurin"
user_dir=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n 1)
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tellurin.lnk"
RUN_KEY='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { reg_value "$RUN_KEY" Tellurin; }
# The DisplayVersion of every Apps entry named Tellurin, one a line.
apps_entries() {
    "$WINE" reg.exe query 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk '/^HKEY_/ {if (name == "Tellurin") print version; name = version = ""}
            $1 == "DisplayName" {name = $3} $1 == "DisplayVersion" {version = $3}
            END {if (name == "Tellurin") print version}'
}
msiexec() {  # prints the exit code
    local code=0 started=$SECONDS
    "$WINE" msiexec "$@" /qn || code=$?
    echo "(msiexec $1 took $((SECONDS - started)) s)" >&2
    echo "$code"
}
exists() { [ -e "$1" ] && echo yes || echo no; }

echo "== a silent install of an older package, then a newer one over it"
configure_resident 5
check "older package installed (exit code)" 0 "$(msiexec /i "$older")"
check "the older package's entry" "3.0.1" "$(apps_entries)"
check "upgrade (exit code)" 0 "$(msiexec /i "$newer")"
check "one entry in Apps, the newer version" "$newer_version" "$(apps_entries)"
for file in TELLUR.EXE TELLURS.DLL TELLURHLP.CHM; do
    check "newer $file under Program Files" same "$(cmp -s "$BIN/$file" "$programs/$file" && echo same || echo differs)"
done
check "Start-menu shortcut" yes "$(exists "$shortcut")"
check "starts at every logon" 'REG_SZ "C:\Program Files\Tellurin\TELLUR.EXE"' "$(run_value)"

echo "== Tellurin starts from Program Files"
start_resident "$programs"
quit_resident
check "ended on request (exit code 0)" 0 "$EXIT_CODE"

echo "== an older package does not go over a newer one"
check "refused (exit code 1603, low byte)" $((1603 & 255)) "$(msiexec /i "$older")"
check "the newer version stays" "$newer_version" "$(apps_entries)"
check "its files stay" yes "$(exists "$programs/TELLURS.DLL")"

echo "== a silent uninstall removes what the package added"
check "uninstall (exit code)" 0 "$(msiexec /x "$newer")"
check "no entry in Apps" "" "$(apps_entries)"
check "no folder under Program Files" no "$(exists "$programs")"
check "no shortcut" no "$(exists "$shortcut")"
check "no start at logon" "<missing>" "$(run_value)"
check "the user's settings stay" "REG_SZ COM5" "$(reg_value "$SETTINGS_KEY\\Communication" CommPort)"

echo "== AUTOSTART=0 leaves the Run value out"
check "installed with AUTOSTART=0 (exit code)" 0 "$(msiexec /i "$newer" AUTOSTART=0)"
check "installed" yes "$(exists "$programs/TELLUR.EXE")"
check "shortcut" yes "$(exists "$shortcut")"
check "no start at logon" "<missing>" "$(run_value)"
check "uninstall (exit code)" 0 "$(msiexec /x "$newer")"
check "no folder under Program Files" no "$(exists "$programs")"
exit "$failures"
