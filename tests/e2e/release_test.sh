#!/usr/bin/env bash
# Releases a user can check: packed from the built binaries, signed with a
# throwaway certificate made here, every signature verified (the binaries in
# both zips, the installer, and the uninstaller that the installer writes);
# SHA256SUMS verified; a certificate named by a relative path signs the
# uninstaller too; a wrong password, or a signing that fails inside the
# installer build, stops the release; a folder it did not make is not emptied;
# and the same sources give the same bytes, from a second build tree in
# another directory built later, through to the zips and the installer.
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
check "SHA256SUMS covers every artifact and verifies" "3 ok" \
    "$(cd "$work/signed" && sha256sum -c SHA256SUMS 2>/dev/null | grep -c ': OK$') ok"
mkdir -p "$work/unpacked"
for zip in "$work/signed"/*.zip; do unzip -q -o "$zip" -d "$work/unpacked"; done
for binary in x64/TELLUR.EXE x64/TELLURS.DLL x86/TELLUR.EXE x86/TELLURS.DLL; do
    check "signature of $binary" ok "$(verified "$work/unpacked/Tellurin-3.0.4.3-$binary" "$work/signer.pem")"
done
setup="$work/signed/Tellurin-3.0.4.3-x64-setup.exe"
check "signature of the installer" ok "$(verified "$setup" "$work/signer.pem")"
check "a certificate that did not sign does not verify" failed "$(verified "$setup" "$work/stranger.pem")"

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
check "no installer" no "$([ -e "$work/failing/Tellurin-3.0.4.3-x64-setup.exe" ] && echo yes || echo no)"
check "no SHA256SUMS" no "$([ -e "$work/failing/SHA256SUMS" ] && echo yes || echo no)"

unset TELLURIN_SIGN_PFX TELLURIN_SIGN_PASS

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
check "zips and installer from both trees" same \
    "$(cmp -s "$work/unsigned-first/SHA256SUMS" "$work/unsigned-second/SHA256SUMS" && echo same || echo differs)"
exit "$failures"
