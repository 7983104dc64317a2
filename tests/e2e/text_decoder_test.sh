#!/usr/bin/env bash
# The Win32 text decoder (MultiByteToWideChar with MB_ERR_INVALID_CHARS) gives
# the conversions that frame assembly's unit tests expect of the C library's
# converter: Shift-JIS with its vendor rows and half-width kana, UTF-8 with
# surrogate pairs, and a refusal of every invalid or incomplete sequence.
#   text_decoder_test.sh <harness dir> <64-bit build dir>
set -euo pipefail
export TELLUR_E2E_DIR=$1
BIN=$2
. "$(dirname "$0")/harness/harness.sh"
harness_env

# code | bytes | units or "bad"
cases=(
    'sjis|938C8B9E93738D608BE6312D322D33|6771 4EAC 90FD 6E2F 533A 0031 002D 0032 002D 0033'
    'sjis|955C5C|8868 005C'
    'sjis|B1B2B3|FF71 FF72 FF73'
    'sjis|8160|FF5E'
    'sjis|87408790FA40|2460 2252 2170'
    'sjis|F040|E000'
    'sjis|8181|FF1D'
    'sjis|414281|bad'
    'sjis|8540|bad'
    'utf8|F09F9880|D83D DE00'
    'utf8|E69DB1E4BAAC|6771 4EAC'
    'utf8|41E69D|bad'
    'utf8|C0AF|bad'
    'utf8|EDA080|bad'
    'utf8|F4908080|bad'
)
failures=0
for entry in "${cases[@]}"; do
    IFS='|' read -r code bytes expected <<<"$entry"
    actual=$(win_output "$BIN/decode_text.exe" "$code" "$bytes")
    if [ "$actual" = "$expected" ]; then
        echo "ok: $code $bytes -> $actual"
    else
        echo "FAIL: $code $bytes: expected \"$expected\", got \"$actual\""
        failures=$((failures + 1))
    fi
done
exit "$failures"
