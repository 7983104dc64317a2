#!/usr/bin/env bash
# Signs one Windows binary in place with Authenticode, SHA-256, using the
# PKCS#12 file in TELLURIN_SIGN_PFX and its password in TELLURIN_SIGN_PASS.
# With TELLURIN_SIGN_TIMESTAMP_URL the signature is time-stamped by that
# server; without it the signing time is the commit's (SOURCE_DATE_EPOCH), so
# that signing the same files with the same certificate gives the same bytes.
set -euo pipefail
# usage: tools/sign_file.sh <file>
. "$(dirname "$0")/usage.sh"
file=$1
: "${TELLURIN_SIGN_PFX:?no signing certificate}" "${SOURCE_DATE_EPOCH:?no source date}"
# The password goes through a file only this user can read, never the command
# line; it goes with the script however that ends. The signals a cancelled job
# gets end the script by exit, so the EXIT trap runs whatever the shell does
# on them by itself.
password=$(mktemp)
trap 'rm -f "$password" "$file.signed" "$file.sign.log"' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
printf '%s' "${TELLURIN_SIGN_PASS:-}" > "$password"
options=(-pkcs12 "$TELLURIN_SIGN_PFX" -readpass "$password" -h sha256 -n Tellurin)
if [ -n "${TELLURIN_SIGN_TIMESTAMP_URL:-}" ]; then
    options+=(-ts "$TELLURIN_SIGN_TIMESTAMP_URL")
else
    options+=(-time "$SOURCE_DATE_EPOCH")
fi
rm -f "$file.signed"
if ! osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >"$file.sign.log" 2>&1; then
    echo "signing $file failed:" >&2
    cat "$file.sign.log" >&2
    exit 1
fi
mv -f "$file.signed" "$file"
