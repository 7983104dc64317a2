#!/usr/bin/env bash
# Builds the per-machine Windows Installer package from a folder holding
# TELLUR.EXE, TELLURS.DLL and TELLURHLP.CHM, with wixl (installer/msi/tellurin.wxs).
# The version defaults to the project's.
#
# ProductVersion: Windows Installer compares only major.minor.build, with
# major and minor up to 255 and build up to 65535, and ignores a fourth
# field. The release's a.b.c.d becomes a.b.(c*1000+d), so 3.0.4.3 is
# 3.0.4003: every release whose version is higher than the last (in any
# field) gets a higher ProductVersion, as long as d stays below 1000 and
# c*1000+d below 65536 (c up to 65). A version outside that is refused.
#
# Identifiers: the ProductCode changes with every version (a major upgrade
# needs a new one) and the PackageCode with every different package, but
# both are worked out from the inputs rather than drawn at random, as is
# every component's GUID (fixed per architecture, since the folder differs),
# so the same sources give the same package.
#
# Reproducible: wixl (msitools 0.101) draws the PackageCode at random
# whatever Package/@Id says, and stamps the summary information with the
# time it runs. So it runs on a clock stopped at SOURCE_DATE_EPOCH
# (faketime), and msibuild, from the same msitools, then sets the
# PackageCode through the library.
set -euo pipefail
# usage: tools/make_msi.sh <binary dir> <x64|x86> <output .msi> [four-part version]
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
binaries=$1 arch=$2 output=$3
version=${4:-$(sed -n 's/^project(Tellurin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")}
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
source=$root/installer/msi/tellurin.wxs
case $arch in x64 | x86) ;; *) echo "architecture must be x64 or x86, not $arch" >&2; exit 1 ;; esac

IFS=. read -r major minor patch build extra <<<"$version"
if ! [[ $major =~ ^[0-9]+$ && $minor =~ ^[0-9]+$ && $patch =~ ^[0-9]+$ && $build =~ ^[0-9]+$ ]] || [ -n "$extra" ] ||
    ((major > 255 || minor > 255 || build > 999 || patch * 1000 + build > 65535)); then
    echo "version $version cannot be a Windows Installer ProductVersion (a.b.c.d with a, b <= 255," \
        "d <= 999 and c*1000+d <= 65535)" >&2
    exit 1
fi
product_version=$major.$minor.$((patch * 1000 + build))

# A name-based GUID (the layout of RFC 4122's version 5, over SHA-256).
guid() {
    local hash
    hash=$(printf 'Tellurin MSI %s' "$1" | sha256sum)
    printf '%s-%s-5%s-%x%s-%s\n' "${hash:0:8}" "${hash:8:4}" "${hash:13:3}" \
        $((0x${hash:16:1} & 3 | 8)) "${hash:17:3}" "${hash:20:12}" | tr a-f A-F
}
inputs=$(cd "$binaries" && sha256sum TELLUR.EXE TELLURS.DLL TELLURHLP.CHM; sha256sum "$source" | cut -d' ' -f1)

# wixl finds files by names relative to the source's folder (absolute ones
# fail), and stores their modification times in the cabinet: everything goes
# into one folder, the copies carrying the commit's time.
output=$(realpath "$output")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$binaries"/{TELLUR.EXE,TELLURS.DLL,TELLURHLP.CHM} "$root/resident/shell/win32/icons/tellur.ico" "$source" "$work/"
touch -d "@$SOURCE_DATE_EPOCH" "$work"/*

cd "$work"
package_code="{$(guid "package $version $arch $inputs")}"
TZ=UTC faketime -f "$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')" \
    wixl -a "$arch" -o "$output" \
    -D Arch="$arch" -D Version="$version" -D ProductVersion="$product_version" \
    -D ProductCode="$(guid "product $version $arch")" \
    -D ProgramComponent="$(guid "component program $arch")" \
    -D LibraryComponent="$(guid "component library $arch")" \
    -D HelpComponent="$(guid "component help $arch")" \
    -D AutostartComponent="$(guid "component autostart $arch")" \
    tellurin.wxs
# The summary's subject, author and template as wixl wrote them, and the
# package code.
msibuild "$output" -s "Tellurin $version" "Tellurin developers" "$arch;1033" "$package_code"
