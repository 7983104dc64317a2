#!/usr/bin/env bash
# Packs built binaries into the release artifacts: a portable zip for each
# architecture (TELLUR.EXE, TELLURS.DLL, TELLURHLP.CHM), the per-user installer
# for 64-bit Windows, a Windows Installer package for all users for each
# architecture (tools/make_msi.sh), the winget manifest (winget/, from
# installer/winget/), the policy template (policy/, from installer/policy/)
# and SHA256SUMS over them all. Signs the binaries, the
# installers, the uninstaller and the NSIS plug-ins that setup and the
# uninstaller load, when TELLURIN_SIGN_PFX names a certificate (see
# tools/sign_file.sh), and then checks every signature of every Windows
# binary in every artifact, inside the zips and installers too.
#
# A release is whole or absent: everything is made in a staging folder and
# moved into the output folder only when every step has succeeded, so a
# failed step leaves it empty. The output folder is emptied first, so only a
# folder this script made (it leaves a marker file in it) or an empty one is
# accepted.
#
# TELLURIN_SIGN_REQUIRED=1 (for release builds) makes a missing certificate
# or time-stamp server fatal instead of giving an unsigned or untimestamped
# release. TELLURIN_DOWNLOAD_URL is where the manifest says the files lie (a
# placeholder by default).
#
# The artifacts are reproducible: every time stored in them is the last
# commit's (SOURCE_DATE_EPOCH, taken from git when not set), entries are in a
# fixed order with fixed permissions, and nothing records where they were made.
set -euo pipefail
# usage: tools/package_release.sh <x86_64 build dir> <i686 build dir> <output dir>
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
win64=$(realpath "$1") win32=$(realpath "$2") out=$3
version=$(sed -n 's/^project(Tellurin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
download_url=${TELLURIN_DOWNLOAD_URL:-https://downloads.example.invalid/tellurin/$version}
marker=.tellurin-release
if [ -d "$out" ] && [ ! -e "$out/$marker" ] && [ -n "$(ls -A "$out")" ]; then
    echo "refusing to empty $out: it is not empty and was not made by this script ($marker missing)" >&2
    exit 1
fi
rm -rf "$out" && mkdir -p "$out" && : > "$out/$marker"
out=$(realpath "$out")
required=false
case ${TELLURIN_SIGN_REQUIRED:-0} in
    1) required=true ;;
    0 | "") ;;
    *) echo "TELLURIN_SIGN_REQUIRED must be 1 or 0, not $TELLURIN_SIGN_REQUIRED" >&2; exit 1 ;;
esac

if [ -n "${TELLURIN_SIGN_PFX:-}" ]; then
    [ -r "$TELLURIN_SIGN_PFX" ] || { echo "cannot read the signing certificate $TELLURIN_SIGN_PFX" >&2; exit 1; }
    # makensis signs the uninstaller from the installer script's folder.
    TELLURIN_SIGN_PFX=$(realpath "$TELLURIN_SIGN_PFX")
    export TELLURIN_SIGN_PFX
    # The password is checked before anything is built on it.
    if ! openssl pkcs12 -in "$TELLURIN_SIGN_PFX" -passin env:TELLURIN_SIGN_PASS -noout 2>/dev/null &&
        ! openssl pkcs12 -legacy -in "$TELLURIN_SIGN_PFX" -passin env:TELLURIN_SIGN_PASS -noout 2>/dev/null; then
        echo "cannot open the signing certificate $TELLURIN_SIGN_PFX: wrong password (TELLURIN_SIGN_PASS) or not a PKCS#12 file" >&2
        exit 1
    fi
    signing=true
    echo "signing with $TELLURIN_SIGN_PFX${TELLURIN_SIGN_TIMESTAMP_URL:+, time-stamped by $TELLURIN_SIGN_TIMESTAMP_URL}"
    if [ -z "${TELLURIN_SIGN_TIMESTAMP_URL:-}" ]; then
        if $required; then
            echo "no time-stamp server (TELLURIN_SIGN_TIMESTAMP_URL), and TELLURIN_SIGN_REQUIRED=1" >&2
            exit 1
        fi
        echo "warning: no time-stamp server (TELLURIN_SIGN_TIMESTAMP_URL): the signatures stop verifying when the certificate expires" >&2
    fi
elif $required; then
    echo "TELLURIN_SIGN_PFX names no certificate, and TELLURIN_SIGN_REQUIRED=1" >&2
    exit 1
else
    signing=false
    echo "unsigned release: TELLURIN_SIGN_PFX names no certificate"
fi

sign() { if $signing; then "$root/tools/sign_file.sh" "$1"; fi; }

# In the output folder, so that the finished set moves in by renaming.
stage=$out/.staging
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/release"
release=$stage/release

for arch in x64:"$win64" x86:"$win32"; do
    name=Tellurin-$version-${arch%%:*}
    mkdir -p "$stage/$name"
    cp "${arch#*:}"/{TELLUR.EXE,TELLURS.DLL,TELLURHLP.CHM} "$stage/$name/"
    for binary in TELLUR.EXE TELLURS.DLL; do sign "$stage/$name/$binary"; done
    chmod 755 "$stage/$name" && chmod 644 "$stage/$name"/*
    touch -h -d "@$SOURCE_DATE_EPOCH" "$stage/$name" "$stage/$name"/*
    # Sorted entries, no extra attributes (owners, Unix times), times in UTC.
    (cd "$stage" && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$release/$name.zip")
    "$root/tools/make_msi.sh" "$stage/$name" "${arch%%:*}" "$release/$name.msi" "$version"
    sign "$release/$name.msi"
done

installer=$release/Tellurin-$version-x64-setup.exe
nsis_options=()
if $signing; then
    # Signed copies of NSIS's plug-ins, which setup and the uninstaller unpack
    # and load.
    plugins=$stage/nsis-plugins/amd64-unicode
    mkdir -p "$plugins"
    cp /usr/share/nsis/Plugins/amd64-unicode/*.dll "$plugins/"
    for plugin in "$plugins"/*.dll; do sign "$plugin"; done
    nsis_options+=(-DSIGN_SCRIPT="$root/tools/sign_file.sh" -DPLUGIN_DIR="$plugins")
fi
makensis -V2 -DBUILD_DIR="$stage/Tellurin-$version-x64" -DOUT_FILE="$installer" "${nsis_options[@]}" \
    "$root/installer/tellurin.nsi"
sign "$installer"

# The administrative template of the machine policies, for Group Policy.
cp -r "$root/installer/policy" "$release/policy"
"$root/tools/winget_manifest.sh" "$release" "$version" "$download_url"
(cd "$release" && sha256sum -- *.zip *.exe *.msi winget/*.yaml policy/*.admx policy/*/*.adml > SHA256SUMS)

if $signing; then "$root/tools/verify_release.sh" "$release"; fi

mv "$release"/* "$out/"
ls -l "$out"
