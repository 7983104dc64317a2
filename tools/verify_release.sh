#!/usr/bin/env bash
# Checks the Authenticode signature of every Windows binary in a release
# folder, wherever it lies: the zips' contents, the per-user installer, what it
# unpacks (the uninstaller it writes, the NSIS plug-ins it loads, and the
# uninstaller's own plug-ins), and the MSI packages with the files in them.
# A signature counts when it chains to the certificates of TELLURIN_SIGN_PFX
# or to the system's trusted roots.
set -euo pipefail
# usage: tools/verify_release.sh <release dir>
. "$(dirname "$0")/usage.sh"
release=$(realpath "$1")
: "${TELLURIN_SIGN_PFX:?no signing certificate}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

trusted=$work/trusted.pem
openssl pkcs12 -in "$TELLURIN_SIGN_PFX" -passin env:TELLURIN_SIGN_PASS -nokeys -out "$trusted" 2>/dev/null ||
    openssl pkcs12 -legacy -in "$TELLURIN_SIGN_PFX" -passin env:TELLURIN_SIGN_PASS -nokeys -out "$trusted"
if [ -r /etc/ssl/certs/ca-certificates.crt ]; then cat /etc/ssl/certs/ca-certificates.crt >> "$trusted"; fi

checked=0 failed=0
verify() {  # verify <file> <name shown>
    if osslsigncode verify -CAfile "$trusted" -TSA-CAfile "$trusted" -in "$1" > "$work/verify.log" 2>&1; then
        checked=$((checked + 1))
        echo "signature verifies: $2"
    else
        echo "signature does not verify: $2" >&2
        sed 's/^/  /' "$work/verify.log" >&2
        failed=$((failed + 1))
    fi
}

# A Windows binary; an NSIS installer is unpacked and searched in turn.
verify_binary() {  # verify_binary <file> <name shown>
    verify "$1" "$2"
    if 7zz l -tNsis "$1" > /dev/null 2>&1; then
        mkdir -p "$1.unpacked"
        7zz x -tNsis -y -o"$1.unpacked" "$1" > /dev/null
        verify_tree "$1.unpacked" "$2"
    fi
}

# Every Windows binary (by its MZ header) under a folder.
verify_tree() {  # verify_tree <folder> <name shown for it>
    local file
    while IFS= read -r -d '' file; do
        if [ "$(head -c 2 "$file")" = MZ ]; then verify_binary "$file" "$2/${file#"$1"/}"; fi
    done < <(find "$1" -type f -print0 | LC_ALL=C sort -z)
}

for artifact in "$release"/*.zip "$release"/*.exe "$release"/*.msi; do
    name=${artifact##*/}
    case $name in
        *.zip) mkdir -p "$work/$name" && unzip -q "$artifact" -d "$work/$name"
               verify_tree "$work/$name" "$name" ;;
        *.exe) cp "$artifact" "$work/$name"
               verify_binary "$work/$name" "$name" ;;
        *.msi) verify "$artifact" "$name"
               mkdir -p "$work/$name" && (cd "$work/$name" && msiextract "$artifact" > /dev/null)
               verify_tree "$work/$name" "$name" ;;
    esac
done

if [ "$failed" -gt 0 ]; then
    echo "$failed of $((checked + failed)) signatures do not verify" >&2
    exit 1
fi
echo "verified $checked signatures"
