# Shared functions of the end-to-end harness; sourced by its scripts and tests.
#
# One run owns one directory (TELLUR_E2E_DIR, under the build tree) holding a
# throwaway Wine prefix, the Xvfb display it runs on, and the PIDs of every
# process the harness started, so teardown ends exactly those.
#
# Known gaps of Wine that tests must not mistake for faults of ours:
#  - a pty has no modem lines: RTS/DTR calls fail and WaitCommEvent spins unless
#    the modem-line library (modem_lines_shim.so, preloaded) is in place;
#  - a pty forces 8 data bits and no parity (7E1 reads back as 8N1): the speed,
#    stop bits, odd parity and RTS/CTS can be read back from it, the rest only
#    through the unit tests;
#  - a second open of a COM port succeeds, so "port in use" cannot be shown;
#  - Xon/Xoff is not a declared capability of Wine's serial driver;
#  - WM_NOTIFY does not cross processes (tabs are switched with the keyboard).

: "${TELLUR_E2E_DIR:?TELLUR_E2E_DIR must name the harness directory}"
# The tests' texts are Japanese, and bash turns $'\u3000' into its character
# only in a UTF-8 locale; a login without LANG (POSIX) would garble every
# expected message. Wine's programs get their own locale from wine.sh.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
    *.UTF-8 | *.utf8 | *.utf-8) ;;
    *) export LC_ALL=C.UTF-8 ;;
esac
HARNESS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_STATE="$TELLUR_E2E_DIR/state.env"
E2E_PIDS="$TELLUR_E2E_DIR/pids"

# The 64-bit loader directly (Debian's wrapper script only adds a warning
# about the 32-bit loader, which this machine cannot run anyway), in the
# locale of wine.sh: Japanese unless a test says otherwise.
if [ -x /usr/lib/wine/wine64 ]; then TELLUR_WINE_LOADER=/usr/lib/wine/wine64; else TELLUR_WINE_LOADER=wine; fi
export TELLUR_WINE_LOADER
WINE="$HARNESS_DIR/wine.sh"

# A script that stops on a failing command (set -e) says which one; without
# this, a test ends with a failure and nothing to show where.
report_where_scripts_stop() {
    set -E
    trap 'status=$?; [ "$BASHPID" = "$$" ] && [[ $- == *e* ]] &&
        echo "stopped: \"$BASH_COMMAND\" failed (exit $status) at ${BASH_SOURCE[0]##*/}:$LINENO" >&2' ERR
}

harness_env() {
    report_where_scripts_stop
    export WINEPREFIX="$TELLUR_E2E_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree="
    if [ -f "$E2E_STATE" ]; then
        # shellcheck disable=SC1090
        . "$E2E_STATE"
        export DISPLAY
        [ -n "${MODEM_SHIM:-}" ] && export LD_PRELOAD="$MODEM_SHIM"
    fi
    return 0
}

# The X keyboard layout ("jp" or "us") for programs started from now on.
# Xvfb's keymaps give "(", ")" and "<" extra keys that Wine maps wrongly, so
# those go.
use_keyboard_layout() {
    setxkbmap -display "$DISPLAY" -layout "$1"
    xmodmap -display "$DISPLAY" -e 'keycode 94 = NoSymbol' -e 'keycode 187 = NoSymbol' -e 'keycode 188 = NoSymbol'
}

# Remember a PID for teardown.
harness_track() { echo "$1" >> "$E2E_PIDS"; }

# Run a Windows program and return its exit code (low 8 bits).
win_run() { "$WINE" "$@"; }

# Start a Windows program in the background; its PID (Wine's process for it)
# lands in the named variable and in the teardown list.
win_start() {
    local __var=$1; shift
    "$WINE" "$@" &
    local pid=$!
    harness_track "$pid"
    printf -v "$__var" '%s' "$pid"
}

# Wait until a file exists (and is not empty, with "nonempty"), up to N tenths of a second.
wait_for_file() {
    local path=$1 tenths=${2:-100} mode=${3:-exists}
    for ((i = 0; i < tenths; i++)); do
        if [ "$mode" = nonempty ]; then [ -s "$path" ] && return 0; else [ -e "$path" ] && return 0; fi
        sleep 0.1
    done
    return 1
}

# Wait until a log has at least N lines, then a little longer to catch extras.
wait_for_lines() {
    local path=$1 lines=$2 tenths=${3:-100}
    for ((i = 0; i < tenths; i++)); do
        [ -f "$path" ] && [ "$(wc -l < "$path")" -ge "$lines" ] && { sleep 0.3; return 0; }
        sleep 0.1
    done
    return 1
}

# A pair of connected ptys: the program opens COM<n>, the test talks to the
# other end. Prints the test's end; the PID of socat is tracked.
serial_pair() {
    local com=$1 name="serial-$1"
    local program_end="$TELLUR_E2E_DIR/$name-program" test_end="$TELLUR_E2E_DIR/$name-test"
    rm -f "$program_end" "$test_end"
    # Detached from every pipe: callers read this function's output with $(...).
    socat "pty,raw,echo=0,link=$program_end" "pty,raw,echo=0,link=$test_end" \
        </dev/null >/dev/null 2>>"$TELLUR_E2E_DIR/socat.log" &
    harness_track $!
    echo $! > "$TELLUR_E2E_DIR/$name.pid"
    wait_for_file "$program_end" 50 && wait_for_file "$test_end" 50 || return 1
    ln -sfn "$program_end" "$WINEPREFIX/dosdevices/com$com"
    printf '%s\n' "$test_end"
}

# The device of COM<n> goes, as when an adapter is pulled out: socat ends, the
# program's pty hangs up and both links disappear. serial_pair brings it back.
unplug_serial() {
    local name="serial-$1"
    kill -TERM "$(cat "$TELLUR_E2E_DIR/$name.pid")" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do [ -e "$TELLUR_E2E_DIR/$name-program" ] || return 0; sleep 0.1; done
    return 1
}

# The processes other than socat that hold the program's end of COM<n> open,
# one PID a line (one listing of every descriptor, so it is quick to poll).
port_holders() {
    local device pid
    device=$(readlink -f "$TELLUR_E2E_DIR/serial-$1-program") || return 0
    ls -l /proc/[0-9]*/fd 2>/dev/null |
        awk -v device="$device" '/^\/proc\// {split($0, path, "/"); pid = path[3]; next} $NF == device {print pid}' |
        sort -u | while read -r pid; do
            [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = socat ] || echo "$pid"
        done
}

# Waits (up to N tenths of a second) until the program has (re)opened COM<n>.
wait_for_port_open() {
    local tenths=${2:-100}
    for ((i = 0; i < tenths; i++)); do
        [ -n "$(port_holders "$1")" ] && return 0
        sleep 0.1
    done
    return 1
}

# A Unix path as Windows programs in the prefix see it (through drive Z:).
windows_path() { printf 'Z:%s\n' "$(realpath "$1" | tr '/' '\\')"; }

# Output of a Windows console program without the CR of its line ends.
win_output() { "$WINE" "$@" | tr -d '\r'; }

# The data of a registry value under HKEY_CURRENT_USER (or under the root
# the key names, HKEY_LOCAL_MACHINE\...) as "TYPE data", or "<missing>".
# The whole key is listed: the listing starts with the key's name, so an
# answer without it is asked again, since now and then a reg.exe run on a
# loaded machine ends with nothing said (a missing key is asked three times).
reg_value() {
    local key=$1 name=$2 listing line attempt
    case $key in HKEY_*) ;; *) key="HKEY_CURRENT_USER\\$key" ;; esac
    for attempt in 1 2 3; do
        listing=$("$WINE" reg.exe query "$key" 2>/dev/null | tr -d '\r')
        grep -qxF -- "$key" <<<"$listing" && break
        sleep 0.2
    done
    line=$(awk -v name="$name" '$1 == name {type = $2; sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); sub(/[ \t]+$/, "")
            print ($0 == "" ? type : type " " $0)}' <<<"$listing")
    printf '%s\n' "${line:-<missing>}"
}

# reg_add <key under HKEY_CURRENT_USER> <name> <type> <data>. A write that
# fails is tried twice more (a full run once lost one without a word); if it
# still fails, reg.exe's own words show.
reg_add() {
    local output attempt
    for attempt in 1 2 3; do
        output=$("$WINE" reg.exe add "HKEY_CURRENT_USER\\$1" /v "$2" /t "$3" /d "$4" /f 2>&1) && return 0
        sleep 0.5
    done
    echo "reg.exe could not write $1\\$2: $output" >&2
    return 1
}
reg_set_text() { reg_add "$1" "$2" REG_SZ "$3"; }
reg_delete_key() { "$WINE" reg.exe delete "HKEY_CURRENT_USER\\$1" /f >/dev/null 2>&1 || true; }
