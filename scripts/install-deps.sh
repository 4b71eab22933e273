#!/bin/sh
# Installs the Debian packages the build and the tests need, only when missing.
# Usage: install-deps.sh [--ui]   (--ui adds what an X display needs)
set -eu

need=""
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

for p in cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         googletest wine wine32 wine64 fonts-wine xvfb xdotool imagemagick nsis \
         wixl msitools p7zip-full; do
    have_pkg "$p" || need="$need $p"
done
[ -z "$need" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $need
