#!/usr/bin/env bash
# Builds the release artifacts into build/release/: a portable zip for each
# architecture (TELLUR.EXE, TELLURS.DLL, TELLURHLP.CHM) and the per-user
# installer for 64-bit Windows (made by the 64-bit build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
version=3.0.4.3
mkdir -p "$build"
"$root/tools/setup.sh"
"$root/tools/build.sh" > "$build/build.log" 2>&1 || { tail -n 60 "$build/build.log"; exit 1; }

release=$build/release
rm -rf "$release" && mkdir -p "$release"
for arch in x64:win-x86_64 x86:win-i686; do
    name=Tellurin-$version-${arch%%:*}
    mkdir -p "$release/$name"
    cp "$build/${arch#*:}"/{TELLUR.EXE,TELLURS.DLL,TELLURHLP.CHM} "$release/$name/"
    (cd "$release" && zip -qr "$name.zip" "$name")
    rm -rf "${release:?}/$name"
done
cp "$build/win-x86_64/Tellurin-$version-x64-setup.exe" "$release/"
ls -l "$release"
