#!/usr/bin/env bash
# Clears the two build times that the help compiler writes into a CHM file, so
# that the same sources always give the same bytes: the container header's
# time stamp (4 bytes at offset 16) and the #SYSTEM record's entry 10 (a
# 4-byte time; the record is stored uncompressed, entry 9, the compiler's
# version, follows it). Neither is read by the help viewer.
set -euo pipefail
# usage: tools/clear_chm_times.sh <file.chm>
. "$(dirname "$0")/usage.sh"
file=$1
zero() { printf '\0\0\0\0' | dd of="$file" bs=1 seek="$1" conv=notrunc status=none; }

[ "$(head -c 4 "$file")" = ITSF ] || { echo "$file is not a CHM file" >&2; exit 1; }
zero 16
# Entry 10 is "0a 00 04 00" and its time, then "09 00" opens entry 9.
offset=$(od -An -v -tx1 -w1 "$file" | awk '
    { byte[NR - 1] = $1 }
    END {
        for (i = 0; i + 9 < NR; i++)
            if (byte[i] == "0a" && byte[i + 1] == "00" && byte[i + 2] == "04" && byte[i + 3] == "00" &&
                byte[i + 8] == "09" && byte[i + 9] == "00") { print i + 4; exit }
    }')
[ -n "$offset" ] || { echo "no #SYSTEM time entry found in $file" >&2; exit 1; }
zero "$offset"
