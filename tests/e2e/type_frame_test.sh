#!/usr/bin/env bash
# Types a frame through the real Win32 keyboard layer (SendInput with scan
# codes) into the key sink and compares every message the sink received:
# head key Ctrl+A, mixed-case text, terminator Enter; then right Ctrl and the
# arrows, which must carry the extended bit; then kanji, half-width katakana
# and an emoji, which arrive as Unicode events (VK_PACKET and one WM_CHAR per
# UTF-16 unit, the emoji as its two surrogates), after the head key's Shift has
# been released. Runs in the C locale with the US keyboard layout; the
# Japanese text is passed in the Japanese locale, which Wine needs to decode
# the UTF-8 argument.
#   type_frame_test.sh <harness dir> <directory of the 64-bit test helpers>
set -euo pipefail
export TELLUR_E2E_DIR=$1
BIN=$2
. "$(dirname "$0")/harness/harness.sh"
harness_env
# The one test on a US desk: C locale and the US layout (the others run
# Japanese); the Japanese layout comes back for the tests after it.
export TELLUR_E2E_LANG=C
use_keyboard_layout us
trap 'use_keyboard_layout jp' EXIT

work="$TELLUR_E2E_DIR/type_frame"
rm -rf "$work" && mkdir -p "$work"
win_start sink "$BIN/key_sink.exe" "$work/keys.log" "$work/ready" 60
wait_for_file "$work/ready" 150 || { echo "key sink never took the foreground" >&2; exit 1; }

win_run "$BIN/type_frame.exe" 0241 000D 0000 9 N "Hi5x"

cat > "$work/expected.log" <<'LOG'
WM_KEYDOWN vk=11 scan=1D ext=0
WM_KEYDOWN vk=41 scan=1E ext=0
WM_CHAR 01
WM_KEYUP vk=41 scan=1E ext=0
WM_KEYDOWN vk=10 scan=2A ext=0
WM_KEYUP vk=11 scan=1D ext=0
WM_KEYDOWN vk=48 scan=23 ext=0
WM_CHAR 48
WM_KEYUP vk=48 scan=23 ext=0
WM_KEYUP vk=10 scan=2A ext=0
WM_KEYDOWN vk=49 scan=17 ext=0
WM_CHAR 69
WM_KEYUP vk=49 scan=17 ext=0
WM_KEYDOWN vk=35 scan=06 ext=0
WM_CHAR 35
WM_KEYUP vk=35 scan=06 ext=0
WM_KEYDOWN vk=58 scan=2D ext=0
WM_CHAR 78
WM_KEYUP vk=58 scan=2D ext=0
WM_KEYDOWN vk=0D scan=1C ext=0
WM_CHAR 0D
WM_KEYUP vk=0D scan=1C ext=0
LOG
wait_for_lines "$work/keys.log" "$(wc -l < "$work/expected.log")" 100 || true

# Right Ctrl as head key, Down and Left as terminators, none with bit 11 in the
# stored value: each key of the enhanced clusters arrives with the extended
# bit, which Windows needs to tell Down from the keypad's 2.
win_run "$BIN/type_frame.exe" 00A3 0028 0025 9 N "7"
cat >> "$work/expected.log" <<'LOG'
WM_KEYDOWN vk=11 scan=1D ext=1
WM_KEYUP vk=11 scan=1D ext=1
WM_KEYDOWN vk=37 scan=08 ext=0
WM_CHAR 37
WM_KEYUP vk=37 scan=08 ext=0
WM_KEYDOWN vk=28 scan=50 ext=1
WM_KEYUP vk=28 scan=50 ext=1
WM_KEYDOWN vk=25 scan=4B ext=1
WM_KEYUP vk=25 scan=4B ext=1
LOG
wait_for_lines "$work/keys.log" "$(wc -l < "$work/expected.log")" 100 || true

TELLUR_E2E_LANG=ja_JP.UTF-8 win_run "$BIN/type_frame.exe" 0141 000D 0000 9 N "東ｱ😀"
cat >> "$work/expected.log" <<'LOG'
WM_KEYDOWN vk=10 scan=2A ext=0
WM_KEYDOWN vk=41 scan=1E ext=0
WM_CHAR 41
WM_KEYUP vk=41 scan=1E ext=0
WM_KEYUP vk=10 scan=2A ext=0
WM_KEYDOWN vk=E7 unit=6771
WM_CHAR 6771
WM_KEYUP vk=E7 unit=6771
WM_KEYDOWN vk=E7 unit=FF71
WM_CHAR FF71
WM_KEYUP vk=E7 unit=FF71
WM_KEYDOWN vk=E7 unit=D83D
WM_CHAR D83D
WM_KEYUP vk=E7 unit=D83D
WM_KEYDOWN vk=E7 unit=DE00
WM_CHAR DE00
WM_KEYUP vk=E7 unit=DE00
WM_KEYDOWN vk=0D scan=1C ext=0
WM_CHAR 0D
WM_KEYUP vk=0D scan=1C ext=0
LOG
wait_for_lines "$work/keys.log" "$(wc -l < "$work/expected.log")" 100 || true
win_run "$BIN/driver.exe" close TellurKeySink - || true
wait "$sink" || true
diff -u "$work/expected.log" "$work/keys.log"
echo "typed events match: $(wc -l < "$work/expected.log") messages"
