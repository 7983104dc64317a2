#!/usr/bin/env bash
# Checks a build of the Windows binaries by inspection (the i686 build cannot run
# here): machine type, GUI subsystem of TELLUR.EXE, exactly the three
# undecorated entries and the interface number exported by TELLURS.DLL and the
# interface number alone by TELLUR.EXE, imports from system DLLs only and none
# newer than the oldest Windows the program accepts, and both version blocks.
#   check_binaries.sh <build dir> <x86_64|i686>
set -euo pipefail
dir=$1 arch=$2
case $arch in
    x86_64) objdump=x86_64-w64-mingw32-objdump windres=x86_64-w64-mingw32-windres format=pei-x86-64 ;;
    i686) objdump=i686-w64-mingw32-objdump windres=i686-w64-mingw32-windres format=pei-i386 ;;
    *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|comctl32|uxtheme|ole32|msvcrt)\.dll$'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for binary in TELLUR.EXE TELLURS.DLL; do
    path="$dir/$binary"
    [ -f "$path" ] || { fail "$binary missing in $dir"; continue; }
    # Whole outputs into variables first: grep -q would end the pipe early.
    header=$("$objdump" -f "$path")
    [[ $header == *"file format $format"* ]] || fail "$binary is not $format"
    while read -r dll; do
        [[ ${dll,,} =~ $system_dlls ]] || fail "$binary imports $dll, which is not a system DLL"
    done < <("$objdump" -p "$path" | awk '/DLL Name:/ {print $3}' | sort -u)
done

# The version check lets the program start on Windows XP and Server 2003, so
# nothing newer than the first XP may be imported: the loader would refuse the
# program before its own message could say why. These are the later functions
# this code could reach for (SetDllDirectory came with XP's first service
# pack); they are looked up at run time instead.
too_new='^(SetDllDirectoryW|SetDllDirectoryA|CancelIoEx|CancelSynchronousIo|GetTickCount64|InitializeCriticalSectionEx|CreateEventExW|CreateMutexExW|SetDefaultDllDirectories|AddDllDirectory|LoadIconMetric|LoadIconWithScaleDown|GetDpiForWindow|GetDpiForSystem|GetSystemMetricsForDpi|SetProcessDPIAware|SetProcessDpiAwarenessContext|SetThreadDpiAwarenessContext|ChangeWindowMessageFilter|ChangeWindowMessageFilterEx|TaskDialog|TaskDialogIndirect|InitOnceExecuteOnce|AcquireSRWLockExclusive|SleepConditionVariableCS)$'
for binary in TELLUR.EXE TELLURS.DLL; do
    while read -r function; do
        [[ $function =~ $too_new ]] && fail "$binary imports $function, which Windows XP lacks"
    done < <("$objdump" -p "$dir/$binary" | awk '/DLL Name:/ {inside = 1; next} inside && /^\t[0-9a-f]+\t/ {print $3}')
done

headers=$("$objdump" -p "$dir/TELLUR.EXE")
grep -Eq '[[:space:]]AllowSetForegroundWindow$' <<<"$headers" ||
    fail "TELLUR.EXE does not import AllowSetForegroundWindow: the settings would open behind other windows"
grep -Eq 'Subsystem[[:space:]]+00000002' <<<"$headers" || fail "TELLUR.EXE is not a GUI program"
exported() {
    "$objdump" -p "$dir/$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        awk '/\[/ && $NF !~ /Table/ {print $NF}' | sort | tr '\n' ' '
}
exports=$(exported TELLURS.DLL)
[ "$exports" = "TELLURS_00 TELLURS_01 TELLURS_02 TELLURS_03 TELLURS_04 TELLURS_INTERFACE " ] || fail "TELLURS.DLL exports '$exports'"
program_exports=$(exported TELLUR.EXE)
[ "$program_exports" = "TELLUR_INTERFACE TELLUR_LAST_FRAME " ] || fail "TELLUR.EXE exports '$program_exports'"

# Installers and inventories read the version block: both binaries carry the
# project's version (CMakeLists.txt) in its numbers and its texts.
version=$(sed -n 's/^project(Tellurin VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
for binary in TELLUR.EXE TELLURS.DLL; do
    block=$("$windres" -i "$dir/$binary" -O rc 2>/dev/null | sed -n '/VERSIONINFO/,/^END/p')
    for line in "FILEVERSION ${version//./, }" "PRODUCTVERSION ${version//./, }" \
        "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
        "VALUE \"OriginalFilename\", \"$binary\""; do
        grep -qF "$line" <<<"$block" || fail "$binary's version block lacks '$line'"
    done
done

# Every help page is in the help file's directory (the contents list them).
for page in communication function troubleshooting; do
    grep -qa "/HTML/$page.html" "$dir/TELLURHLP.CHM" || fail "TELLURHLP.CHM lacks HTML/$page.html"
done

if [ "$failures" -eq 0 ]; then
    echo "$arch binaries: $format, system imports only, none newer than XP, exports ${exports% }" \
        "and TELLUR.EXE ${program_exports% }, version $version"
fi
exit "$failures"
