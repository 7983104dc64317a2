# Sourced by each script the guides name, right after its "set" line: with
# --help as the first argument it prints the script's "# usage:" lines and
# ends, so that tests/check_guides.sh can hold the guides to the scripts.
if [ "${1:-}" = --help ]; then
    sed -n 's/^# usage: //p' "$0"
    exit 0
fi
