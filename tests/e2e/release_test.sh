#!/usr/bin/env bash
# Releases a user can check: packed from the built binaries, signed with a
# throwaway certificate made here, every signature verified (the binaries in
# both zips and both MSIs, the installers, the NSIS plug-ins and the
# uninstaller that the installer writes), by the release itself and here;
# SHA256SUMS verified; the winget manifest names the files with their hashes
# and scopes; a certificate named by a relative path signs the uninstaller
# too; a wrong password, a signing that fails (inside the installer build or
# on an MSI), or TELLURIN_SIGN_REQUIRED=1 without a certificate or time-stamp
# server stops the release and leaves its folder empty; a folder it did not
# make is not emptied; and the same sources give the same bytes, from a
# second build tree in another directory built later, through to the zips,
# the installer and the MSIs.
#   release_test.sh <harness dir> <64-bit build dir> <32-bit build dir>
. "$(dirname "$0")/resident_common.sh" "$1" "$2"
win32=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$TELLUR_E2E_DIR/release"
rm -rf "$work" && mkdir -p "$work"
user_dir=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n 1)
installed="$user_dir/AppData/Local/Programs/Tellurin"
package() { "$root/tools/package_release.sh" "$1" "$2" "$3"; }

echo "== throwaway certificates"
for name in signer stranger; do
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/$name.key" -out "$work/$name.pem" -days 2 \
        -subj "/CN=Tellurin test $name" 2>/dev/null
done
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -out "$work/signer.pfx" \
    -passout pass:test-password
# ok when the file's signature verifies against the certificate given.
verified() { osslsigncode verify -CAfile "$2" -in "$1" >>"$work/verify.log" 2>&1 && echo ok || echo failed; }

echo "== a signed release, the certificate named relative to the current folder"
# makensis signs the uninstaller from the installer script's folder, where a
# relative name means nothing.
export TELLURIN_SIGN_PFX=signer.pfx TELLURIN_SIGN_PASS=test-password
(cd "$work" && package "$BIN" "$win32" "$work/signed") > "$work/signed.log" 2>&1 || cat "$work/signed.log"
check "the release says it signs" "signing with $(realpath "$work")/signer.pfx" "$(head -n 1 "$work/signed.log")"
check "it warns that nothing time-stamps the signatures" 1 "$(grep -c '^warning: no time-stamp server' "$work/signed.log")"
export TELLURIN_SIGN_PFX="$work/signer.pfx"
check "SHA256SUMS covers every artifact and verifies" "12 ok" \
    "$(cd "$work/signed" && sha256sum -c SHA256SUMS 2>/dev/null | grep -c ': OK$') ok"
mkdir -p "$work/unpacked"
for zip in "$work/signed"/*.zip; do unzip -q -o "$zip" -d "$work/unpacked"; done
for binary in x64/TELLUR.EXE x64/TELLURS.DLL x86/TELLUR.EXE x86/TELLURS.DLL; do
    check "signature of $binary" ok "$(verified "$work/unpacked/Tellurin-3.0.4.3-$binary" "$work/signer.pem")"
done
setup="$work/signed/Tellurin-3.0.4.3-x64-setup.exe"
check "signature of the installer" ok "$(verified "$setup" "$work/signer.pem")"
check "a certificate that did not sign does not verify" failed "$(verified "$setup" "$work/stranger.pem")"
for msi in x64 x86; do
    check "signature of the $msi MSI" ok "$(verified "$work/signed/Tellurin-3.0.4.3-$msi.msi" "$work/signer.pem")"
done
mkdir -p "$work/setup-unpacked"
7zz x -y -o"$work/setup-unpacked" "$setup" > /dev/null
for plugin in System.dll nsDialogs.dll; do
    check "signature of the plug-in $plugin" ok "$(verified "$work/setup-unpacked/\$PLUGINSDIR/$plugin" "$work/signer.pem")"
done
# The release's own check, which found every Windows binary wherever it lies.
check "the release verified every signature" 17 "$(grep -c '^signature verifies: ' "$work/signed.log")"
for inner in "x64-setup.exe/Uninstall.exe/\$PLUGINSDIR/System.dll" "x86.msi/Program Files/Tellurin/TELLURS.DLL"; do
    check "among them Tellurin-3.0.4.3-$inner" 1 "$(grep -cxF "signature verifies: Tellurin-3.0.4.3-$inner" "$work/signed.log")"
done

echo "== the installer writes a signed uninstaller"
win_run "$setup" /S /NOAUTOSTART
check "signature of the uninstaller" ok "$(verified "$installed/Uninstall.exe" "$work/signer.pem")"
win_run "$installed/Uninstall.exe" /S || true
wait_until_uninstalled "$installed" || true

echo "== a wrong password stops the release"
code=0
TELLURIN_SIGN_PASS=wrong package "$BIN" "$win32" "$work/wrong" > "$work/wrong.log" 2>&1 || code=$?
check "exit code" 1 "$code"
check "message" "cannot open the signing certificate $work/signer.pfx: wrong password (TELLURIN_SIGN_PASS) or not a PKCS#12 file" \
    "$(tail -n 1 "$work/wrong.log")"
check "no artifacts" no "$([ -e "$work/wrong/SHA256SUMS" ] && echo yes || echo no)"

echo "== a signing that fails inside the installer build stops the release"
# The signing tool stands in for one that fails on the uninstaller only, the
# file makensis hands over under a temporary name without an extension (as
# when a time-stamp server stops answering part-way).
mkdir -p "$work/failing-tool"
cat > "$work/failing-tool/osslsigncode" <<TOOL
#!/bin/sh
for argument; do
    case \$previous in -in) case \${argument##*/} in *.*) ;; *) echo "tool failure on \$argument" >&2; exit 1 ;; esac ;; esac
    previous=\$argument
done
exec $(command -v osslsigncode) "\$@"
TOOL
chmod +x "$work/failing-tool/osslsigncode"
code=0
PATH="$work/failing-tool:$PATH" package "$BIN" "$win32" "$work/failing" > "$work/failing.log" 2>&1 || code=$?
check "exit code" 1 "$code"
check "the signing's message" 1 "$(grep -c '^signing .* failed:$' "$work/failing.log")"
check "the output folder is empty" "" "$(ls "$work/failing")"

echo "== a signing that fails on an MSI stops the release, before anything reaches its folder"
sed -i 's/\*\.\*) ;; \*) echo/*.msi) echo/' "$work/failing-tool/osslsigncode"
code=0
PATH="$work/failing-tool:$PATH" package "$BIN" "$win32" "$work/failing" > "$work/failing-msi.log" 2>&1 || code=$?
check "exit code" 1 "$code"
check "the signing's message" 1 "$(grep -c '^signing .*\.msi failed:$' "$work/failing-msi.log")"
check "the output folder is empty" "" "$(ls "$work/failing")"

echo "== TELLURIN_SIGN_REQUIRED=1: no time-stamp server, or no certificate, stops the release"
code=0
TELLURIN_SIGN_REQUIRED=1 package "$BIN" "$win32" "$work/required" > "$work/required.log" 2>&1 || code=$?
check "without a time-stamp server: exit code" 1 "$code"
check "message" "no time-stamp server (TELLURIN_SIGN_TIMESTAMP_URL), and TELLURIN_SIGN_REQUIRED=1" \
    "$(tail -n 1 "$work/required.log")"

unset TELLURIN_SIGN_PFX TELLURIN_SIGN_PASS
# As from a CI job whose secret is missing: the variable is there, empty.
code=0
TELLURIN_SIGN_REQUIRED=1 TELLURIN_SIGN_PFX= package "$BIN" "$win32" "$work/required" > "$work/required.log" 2>&1 ||
    code=$?
check "without a certificate: exit code" 1 "$code"
check "message" "TELLURIN_SIGN_PFX names no certificate, and TELLURIN_SIGN_REQUIRED=1" "$(tail -n 1 "$work/required.log")"
check "the output folder is empty" "" "$(ls "$work/required")"

echo "== a folder the release did not make is not emptied"
mkdir -p "$work/foreign" && echo keep > "$work/foreign/notes.txt"
code=0
package "$BIN" "$win32" "$work/foreign" > "$work/foreign.log" 2>&1 || code=$?
check "exit code" 1 "$code"
check "its file is kept" keep "$(cat "$work/foreign/notes.txt" 2>/dev/null)"

echo "== the same sources give the same bytes"
# A second tree in another directory, built now, against the test command's
# build made earlier; then each packed into a release.
tree="$work/elsewhere/win-x86_64"
cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release > "$work/tree.log" 2>&1
cmake --build "$tree" -j "$(nproc)" --target tellur tellurs tellur_help >> "$work/tree.log" 2>&1
for file in TELLUR.EXE TELLURS.DLL TELLURHLP.CHM; do
    check "$file from both trees" same "$(cmp -s "$BIN/$file" "$tree/$file" && echo same || echo differs)"
done
package "$BIN" "$win32" "$work/unsigned-first" > "$work/unsigned.log" 2>&1
check "an unsigned release says so" "unsigned release: TELLURIN_SIGN_PFX names no certificate" \
    "$(head -n 1 "$work/unsigned.log")"
package "$tree" "$win32" "$work/unsigned-second" > /dev/null 2>&1
check "zips, installer and MSIs from both trees" same \
    "$(cmp -s "$work/unsigned-first/SHA256SUMS" "$work/unsigned-second/SHA256SUMS" && echo same || echo differs)"

echo "== the winget manifest names the release's files"
manifest="$work/unsigned-first/winget"
# One line per installer: file name, SHA-256, type, scope, product code.
installers=$(awk '/^  - Architecture:/ {if (url) print url, hash, type, scope, code; url = hash = type = scope = code = ""}
    $1 == "InstallerUrl:" {n = split($2, part, "/"); url = part[n]} $1 == "InstallerSha256:" {hash = tolower($2)}
    $1 == "InstallerType:" {type = $2} $1 == "Scope:" {scope = $2} $1 == "ProductCode:" {gsub("\047", "", $2); code = $2}
    END {if (url) print url, hash, type, scope, code}' "$manifest/Quorvel.Tellurin.installer.yaml")
check "three installers" 3 "$(printf '%s\n' "$installers" | wc -l)"
while read -r file hash type scope code; do
    check "$file: in the release with that SHA-256" "$hash" "$(sha256sum "$work/unsigned-first/$file" 2>/dev/null | cut -d' ' -f1)"
    case $file in
        *-setup.exe) check "$file: per user" "nullsoft user" "$type $scope" ;;
        *.msi) check "$file: per machine, its product code" "msi machine $(msiinfo export "$work/unsigned-first/$file" Property |
            tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}')" "$type $scope $code" ;;
        *) check "$file: an installer" "an installer" "$file" ;;
    esac
done <<<"$installers"
check "the per-user installer's still running code is packageInUse" "10 packageInUse" \
    "$(grep -A1 'InstallerReturnCode: 10$' "$manifest/Quorvel.Tellurin.installer.yaml" | awk '{print $NF}' | xargs)"
for file in "Quorvel.Tellurin.yaml 3.0.4.3 ja-JP version" "Quorvel.Tellurin.installer.yaml 3.0.4.3 installer" \
    "Quorvel.Tellurin.locale.ja-JP.yaml 3.0.4.3 ja-JP defaultLocale" "Quorvel.Tellurin.locale.en-US.yaml 3.0.4.3 en-US locale"; do
    check "${file%% *}: version, locale, type" "${file#* }" "$(awk '$1 ~ /^(PackageVersion|DefaultLocale|PackageLocale|ManifestType):$/ {print $2}' \
        "$manifest/${file%% *}" | xargs)"
done

echo "== a release that fails empties the folder of an earlier one"
code=0
TELLURIN_SIGN_REQUIRED=1 package "$BIN" "$win32" "$work/unsigned-first" > /dev/null 2>&1 || code=$?
check "exit code" 1 "$code"
check "the output folder is empty" "" "$(ls "$work/unsigned-first")"
exit "$failures"
