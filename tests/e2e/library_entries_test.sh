#!/usr/bin/env bash
# TELLURS.DLL loads by full path under Wine and its three entries are found by
# their exact names.
#   library_entries_test.sh <harness dir> <64-bit build dir>
set -euo pipefail
export TELLUR_E2E_DIR=$1
BIN=$2
. "$(dirname "$0")/harness/harness.sh"
harness_env
output=$(win_run "$BIN/library_probe.exe" lookup "$(windows_path "$BIN/TELLURS.DLL")" | tr -d "\r")
echo "$output"
expected=$'TELLURS_00 found\nTELLURS_01 found\nTELLURS_02 found'
[ "$output" = "$expected" ]
