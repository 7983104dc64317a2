#!/usr/bin/env bash
# Takes the end-to-end harness down: the wineserver of its prefix and exactly
# the processes it recorded.
#   stop.sh <harness dir>
set -uo pipefail
export TELLUR_E2E_DIR=${1:?usage: stop.sh <harness dir>}
. "$(dirname "$0")/harness.sh"
harness_env
[ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
if [ -f "$E2E_PIDS" ]; then
    while read -r pid; do
        [ -n "$pid" ] && kill "$pid" 2>/dev/null
    done < "$E2E_PIDS"
    sleep 0.2
    while read -r pid; do
        [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    done < "$E2E_PIDS"
    : > "$E2E_PIDS"
fi
exit 0
