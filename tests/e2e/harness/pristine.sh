#!/usr/bin/env bash
# Makes the pristine Wine prefix that every end-to-end lane copies: a harness
# brought up once with a booted prefix, then taken down with the prefix kept
# (its registry written out when its wineserver ends).
#   pristine.sh <pristine dir> <modem-line library>
set -euo pipefail
dir=$1
harness=$(dirname "$0")
"$harness/start.sh" "$dir" "$2"
export TELLUR_E2E_DIR=$dir
. "$harness/harness.sh"
harness_env
wineserver -k
wineserver -w
"$harness/stop.sh" "$dir"
[ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/user.reg" ] || { echo "no prefix in $WINEPREFIX" >&2; exit 1; }
echo "pristine prefix in $WINEPREFIX"
