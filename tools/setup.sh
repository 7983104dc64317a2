#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages only.
# Idempotent: when every package is present it changes nothing and takes a second.
set -euo pipefail
# usage: tools/setup.sh
. "$(dirname "$0")/usage.sh"
# As root, or as a user with sudo: every step that needs root goes through it.
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi

packages=(
    cmake make g++ googletest libgtest-dev libgmock-dev   # native build and unit tests
    clang libclang-rt-14-dev                               # libFuzzer
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686  # Windows binaries
    wine wine64 xvfb x11-xserver-utils x11-xkb-utils socat # running them end to end
    fonts-ipafont-gothic imagemagick locales               # Japanese text and locale, screenshots
    fp-utils                                               # chmcmd, the help compiler
    nsis zip unzip osslsigncode openssl                    # release artifacts, signing
    wixl msitools faketime 7zip                            # Windows Installer packages, checking what installers hold
    git procps                                             # the release's sources, pgrep in the harness
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi

# The end-to-end tests run Wine in the Japanese locale. Wine takes the display
# language and code page from LANG alone, but converts its command lines and
# file names through the host's locale, which must then exist.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "generating the ja_JP.UTF-8 locale"
    $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

# The 32-bit Wine loader must never be installed: this kernel cannot run 32-bit
# code, and with it present every wine call fails, 64-bit ones too. Nothing
# here needs it, so it goes.
if dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed"; then
    echo "removing wine32: this machine cannot run 32-bit code, and with it installed every wine call fails"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -q wine32
fi
