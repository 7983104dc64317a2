#!/usr/bin/env bash
# Builds the release artifacts into build/release/: a portable zip for each
# architecture (TELLUR.EXE, TELLURS.DLL, TELLURHLP.CHM), the per-user
# installer for 64-bit Windows, a Windows Installer package for each
# architecture, the winget manifest and SHA256SUMS; signed when
# TELLURIN_SIGN_PFX names a certificate (TELLURIN_SIGN_REQUIRED=1 insists on
# it). See tools/package_release.sh.
set -euo pipefail
# usage: tools/release.sh
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
mkdir -p "$build"
"$root/tools/setup.sh"
"$root/tools/build.sh" > "$build/build.log" 2>&1 || { tail -n 60 "$build/build.log"; exit 1; }

"$root/tools/package_release.sh" "$build/win-x86_64" "$build/win-i686" "$build/release"
