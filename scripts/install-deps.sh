#!/bin/sh
# Installs the Debian packages the build and the tests need, only when missing.
# Usage: install-deps.sh [--ui]   (--ui adds what an X display needs)
set -eu

need=""
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

for p in cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         googletest wine wine32 wine64 fonts-wine xvfb xdotool imagemagick nsis \
         wixl msitools osslsigncode openssl locales fonts-ipafont-gothic p7zip-full; do
    have_pkg "$p" || need="$need $p"
done

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The languages the applet speaks: Wine takes the display language and the
# ANSI code page from the locale, which must be generated to exist.
gen_locales() {
    missing=""
    for l in en_US de_DE fr_FR ja_JP; do
        locale -a 2>/dev/null | grep -qix "$l.utf-\{0,1\}8" || missing="$missing $l"
    done
    [ -z "$missing" ] && return 0
    for l in $missing; do
        grep -qx "$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    done
    $SUDO locale-gen >/dev/null
}

[ -z "$need" ] && { gen_locales; exit 0; }
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $need
gen_locales
