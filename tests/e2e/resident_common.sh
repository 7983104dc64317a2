# Functions shared by the end-to-end tests of the resident program. A test
# sources this file with its two arguments, the harness directory and the
# 64-bit build directory; the program runs from the build directory with
# TELLURS.DLL beside it, typing into the key sink.

set -euo pipefail
export TELLUR_E2E_DIR=${1:?harness directory}
BIN=${2:?directory of the 64-bit build}
. "$(dirname "${BASH_SOURCE[0]}")/harness/harness.sh"
harness_env

SETTINGS_KEY='Software\Quorvel\Tellurin\Ver.3'
failures=0

check() {  # check <what> <expected> <actual>
    if [ "$2" = "$3" ]; then
        echo "ok: $1"
    else
        echo "FAIL: $1"
        echo "  expected: $(printf '%s' "$2" | od -An -c | tr -s ' ' | head -c 300)"
        echo "  actual:   $(printf '%s' "$3" | od -An -c | tr -s ' ' | head -c 300)"
        failures=$((failures + 1))
    fi
}

# write_settings Name=Value ...: writes the values into their keys.
write_settings() {
    local pair name
    for pair in "$@"; do
        name=${pair%%=*}
        case $name in
            CommPort | BaudRate | Parity | DataBit | StopBit | FlowControl | Protocol | FrameGap | Request*)
                key=Communication ;;
            Length* | Cut* | Extract* | Find? | With? | FieldSeparator | FieldKey | Prefix | Suffix) key=Edit ;;
            *) key=Function ;;
        esac
        reg_set_text "$SETTINGS_KEY\\$key" "$name" "${pair#*=}"
    done
}

# A complete store for COM5: 9600 8N1, no flow control, the protocol given,
# Enter after each frame, fastest typing; further Name=Value pairs override.
# The store starts anew each time, as an older version writes it (without
# CharacterCode and ImeOff), so no test sees what an earlier one left.
configure_resident() {
    local protocol=$1
    shift
    reg_delete_key "$SETTINGS_KEY"
    write_settings CommPort=COM5 BaudRate=9600 Parity=N DataBit=8 StopBit=1 FlowControl=N Protocol="$protocol" \
        HeadKey=0000 TermKey1=000D TermKey2=0000 KeySpeed=9 CapsLock=N TrayIcon=Y "$@"
}

# Starts a fresh key sink logging to $1 (living $2 seconds, default 300);
# waits until it has the focus.
start_sink() {
    rm -f "$1" "$1.ready"
    win_start SINK_PID "$BIN/key_sink.exe" "$1" "$1.ready" "${2:-300}"
    wait_for_file "$1.ready" 150 || { echo "key sink never took the foreground" >&2; return 1; }
}

# Gives the sink the keyboard again (after a dialog took it).
focus_sink() { win_run "$BIN/driver.exe" foreground TellurKeySink - >/dev/null; sleep 0.3; }

stop_sink() {
    win_run "$BIN/driver.exe" close TellurKeySink - >/dev/null 2>&1 || true
    wait "$SINK_PID" 2>/dev/null || true
}

# Starts TELLUR.EXE from a directory (default: the build) and waits until its
# window exists.
start_resident() {
    local dir=${1:-$BIN}
    win_start RESIDENT_PID "$dir/TELLUR.EXE"
    win_run "$BIN/driver.exe" find NON_Tellurin Tellurin 10000 >/dev/null ||
        { echo "TELLUR.EXE's window never appeared" >&2; return 1; }
}

# A test that fails part-way must not leave the program holding its output.
end_leftovers() { if [ -n "${RESIDENT_PID:-}" ]; then kill "$RESIDENT_PID" 2>/dev/null || true; fi; }
trap end_leftovers EXIT

# Posts UM_QUIT and waits for the end; the exit code lands in EXIT_CODE.
# (Not to be called inside $(...): only this shell can wait for the program.)
quit_resident() {
    win_run "$BIN/driver.exe" post NON_Tellurin Tellurin 0x604 >/dev/null 2>&1 || true
    wait_for_resident
}

# Wine gives up the program's single-instance mutex a moment after the process
# has gone; a start in that moment finds it held and no window, and waits until
# the mutex is free, as on Windows while a first start is still loading. So
# nothing here waits for the mutex.
wait_for_resident() {
    EXIT_CODE=0
    wait "$RESIDENT_PID" || EXIT_CODE=$?
}

# Opens the test's end of a serial pair for the whole test, so the line never
# hangs up between writes and reads; LINE_FD is the descriptor.
open_line() { exec {LINE_FD}<>"$1"; }
send_bytes() { printf '%b' "$1" >&"$LINE_FD"; }

# The text typed into the sink, as characters (Enter as "\r", Tab "\t",
# Ctrl+A as "^A"), in UTF-8: a character beyond the BMP arrives as two
# WM_CHARs, its surrogates, and is joined again.
typed_text() {
    LC_ALL=C awk 'function hex(text,   value, i) {
            value = 0
            for (i = 1; i <= length(text); i++) value = value * 16 + index("0123456789ABCDEF", substr(text, i, 1)) - 1
            return value }
        function utf8(code) {
            if (code < 128) return sprintf("%c", code)
            if (code < 2048) return sprintf("%c%c", 192 + int(code / 64), 128 + code % 64)
            if (code < 65536) return sprintf("%c%c%c", 224 + int(code / 4096), 128 + int(code / 64) % 64, 128 + code % 64)
            return sprintf("%c%c%c%c", 240 + int(code / 262144), 128 + int(code / 4096) % 64,
                           128 + int(code / 64) % 64, 128 + code % 64) }
        $1 == "WM_CHAR" {
        code = hex($2)
        if (code >= 55296 && code < 56320) { high = code; next }
        if (code >= 56320 && code < 57344 && high) code = 65536 + (high - 55296) * 1024 + code - 56320
        high = 0
        if (code == 13) printf "\\r"; else if (code == 9) printf "\\t";
        else if (code < 32) printf "^%c", code + 64; else printf "%s", utf8(code) }' "$1"
}

# Waits until the sink has received n characters (or 10 s passed), then a
# little longer to catch any extra.
wait_for_typed() {
    local log=$1 count=$2 seen
    for ((i = 0; i < 100; i++)); do
        seen=$(grep -c '^WM_CHAR' "$log" 2>/dev/null) || seen=0
        [ "$seen" -ge "$count" ] && break
        sleep 0.1
    done
    sleep 0.3
}

# Modifier presses and releases that do not pair up; empty when none is left down.
modifiers_left_down() {
    awk '$1 ~ /KEYDOWN/ && ($2 == "vk=10" || $2 == "vk=11" || $2 == "vk=12") {down[$2]++}
         $1 ~ /KEYUP/ && ($2 == "vk=10" || $2 == "vk=11" || $2 == "vk=12") {down[$2]--}
         END {for (k in down) if (down[k] != 0) printf "%s:%d ", k, down[k]}' "$1"
}

# Every answer byte the program wrote to the line since the last call, as hex
# ("06 15 ..."), collected for about a second.
answers_on_line() {
    { timeout 1 cat <&"$LINE_FD" || true; } | od -An -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}

# The uninstaller hands over to a copy of itself and returns before that copy
# is done: waits (up to 20 s each) until the paths given (the installation
# folder, a shortcut) are gone.
wait_until_uninstalled() {
    local path
    for path in "$@"; do
        for ((i = 0; i < 100; i++)); do [ -e "$path" ] || continue 2; sleep 0.2; done
        return 1
    done
}

TRAY_WINDOW_TITLE='Wine System Tray'
# The tray icon as a person sees it in Wine's notification area: "receiving"
# (the teal tile), "idle" (its grey twin), or what was seen instead. Read from
# a screenshot of the tray window's lower part (its title bar is grey too).
tray_icon() {
    local shot="$TELLUR_E2E_DIR/tray.png" area teal grey
    area=$(win_output "$BIN/driver.exe" rect - "$TRAY_WINDOW_TITLE" 2>/dev/null) || { echo "no tray window"; return; }
    import -display "$DISPLAY" -window root -crop "$area" +repage "$shot" 2>/dev/null || { echo "no screenshot"; return; }
    pixels_like() {
        convert "$shot" -gravity south -crop x22+0+0 +repage -fuzz 6% -fill '#FF00FF' -opaque "$1" \
            -fill black +opaque '#FF00FF' -format '%[fx:round(mean.r*w*h)]' info:
    }
    teal=$(pixels_like '#1F5E6B') grey=$(pixels_like '#848484')
    if [ "$teal" -ge 40 ] && [ "$grey" -eq 0 ]; then echo receiving
    elif [ "$grey" -ge 40 ] && [ "$teal" -eq 0 ]; then echo idle
    else echo "unclear (teal $teal, grey $grey pixels)"; fi
}
# Waits (up to 5 s) until the tray shows the icon given; prints what it showed.
wait_for_tray_icon() {
    local seen
    for ((i = 0; i < 25; i++)); do
        seen=$(tray_icon)
        [ "$seen" = "$1" ] && break
        sleep 0.2
    done
    echo "$seen"
}

SETTINGS_DIALOG='Tellurinの設定'

# Waits until a dialog with this title shows, set up (up to 10 s).
wait_for_dialog() { win_run "$BIN/driver.exe" find '#32770' "$1" 10000 shown >/dev/null; }

# Waits until no window of this class and title exists (up to 10 s); false if one stays.
wait_until_gone() {
    for ((i = 0; i < 100; i++)); do
        win_run "$BIN/driver.exe" find "$1" "$2" 0 >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# "<checked> <enabled> <selection> <text>" of a control of the settings dialog.
control_state() { win_output "$BIN/driver.exe" state "$SETTINGS_DIALOG" "$1"; }
dialog() { win_run "$BIN/driver.exe" "$1" "$SETTINGS_DIALOG" "${@:2}"; }

# A second start opens the dialog; while the program is still reopening the
# port after the last dialog, the request is ignored by design, so ask again.
open_dialog() {
    for attempt in 1 2 3; do
        win_run "$BIN/TELLUR.EXE"
        win_run "$BIN/driver.exe" find '#32770' "$SETTINGS_DIALOG" 8000 shown >/dev/null && return 0
        echo "(the settings dialog did not open within 8 s; asking again)"
    done
    echo "FAIL: the settings dialog did not open"
    return 1
}

# CPU time of processes over the next N seconds, in tenths of a percent of one
# core, one figure per process:  cpu_permille_over <seconds> <pid>...
cpu_permille_over() {
    local seconds=$1 pid before=() index=0 hz
    shift
    hz=$(getconf CLK_TCK)
    for pid in "$@"; do before+=("$(awk '{print $14 + $15}' "/proc/$pid/stat")"); done
    sleep "$seconds"
    for pid in "$@"; do
        echo $(( ($(awk '{print $14 + $15}' "/proc/$pid/stat") - before[index]) * 1000 / (seconds * hz) ))
        index=$((index + 1))
    done
}

# A figure in tenths of a percent as "12.3 %".
percent() { echo "$(($1 / 10)).$(($1 % 10)) %"; }
