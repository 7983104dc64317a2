#!/usr/bin/env bash
# Writes the winget manifest (installer/winget/, the multi-file layout) for
# the installers in a release folder into its winget/ folder: their file
# names under the download address, their SHA-256, and each MSI's product
# code and ProductVersion as Windows Installer records them.
set -euo pipefail
# usage: tools/winget_manifest.sh <release dir> <version> <download url>
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
release=$1 version=$2 url=$3
hash() { sha256sum "$release/$1" | cut -d' ' -f1 | tr a-f A-F; }
property() { msiinfo export "$release/$1" Property | tr -d '\r' | awk -F'\t' -v name="$2" '$1 == name {print $2}'; }
x64=Tellurin-$version-x64.msi x86=Tellurin-$version-x86.msi
mkdir -p "$release/winget"
for template in "$root"/installer/winget/*.yaml; do
    sed -e "s|@VERSION@|$version|g" -e "s|@DOWNLOAD_URL@|$url|g" \
        -e "s|@SETUP_SHA256@|$(hash "Tellurin-$version-x64-setup.exe")|g" \
        -e "s|@MSI_X64_SHA256@|$(hash "$x64")|g" -e "s|@MSI_X86_SHA256@|$(hash "$x86")|g" \
        -e "s|@MSI_X64_PRODUCT_CODE@|$(property "$x64" ProductCode)|g" \
        -e "s|@MSI_X86_PRODUCT_CODE@|$(property "$x86" ProductCode)|g" \
        -e "s|@PRODUCT_VERSION@|$(property "$x64" ProductVersion)|g" \
        -e "s|@UPGRADE_CODE@|$(property "$x64" UpgradeCode)|g" \
        "$template" > "$release/winget/${template##*/}"
done
if grep -n '@[A-Z0-9_]*@' "$release"/winget/*.yaml; then
    echo "the winget manifest has placeholders left" >&2
    exit 1
fi
