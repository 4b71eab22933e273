#!/bin/sh
# Installs the Debian packages the build and the tests need, only when missing.
# Wine's 32-bit part, wine32, is an i386 package: it is left out where the
# kernel runs no 32-bit programs (or KESTRUNE_NO_WIN32 is set), and where apt
# cannot supply it the rest is installed and build/wine32-refused says why,
# for the test run's summary. Every other package must be there at the end.
# Usage: install-deps.sh   (the X display's tools, Xvfb and xdotool, are always among them)
set -eu
scripts="$(cd "$(dirname "$0")" && pwd)"
refused="$scripts/../build/wine32-refused"

need=""
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }

for p in cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         googletest wine wine64 fonts-wine xvfb xdotool imagemagick nsis \
         wixl msitools libxml2-utils osslsigncode openssl locales fonts-ipafont-gothic p7zip-full; do
    have_pkg "$p" || need="$need $p"
done
need32="" want32=""
if ! have_pkg wine32; then
    kernel=0
    why=$("$scripts/win32-probe.sh" --kernel) || kernel=$?
    if [ "$kernel" -eq 1 ]; then
        echo "install-deps: no 32-bit packages: $why"
    else
        need32=wine32:i386 want32=yes
    fi
fi

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

[ -z "$need$need32" ] && { gen_locales; exit 0; }
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log" "$log.status"' EXIT

# apt-get with these arguments, its output shown as it comes; when it fails,
# $apt_error holds its last error line. sh has no pipefail: the status goes
# through a file.
apt_error="" refusal=""
apt_get() {
    { code=0; $SUDO apt-get "$@" 2>&1 || code=$?; echo "$code" >"$log.status"; } | tee "$log"
    [ "$(cat "$log.status")" -eq 0 ] && return 0
    apt_error=$(sed -n 's/^E: //p' "$log" | tail -n 1 | sed 's/\.$//')
    : "${apt_error:=apt-get $1 failed}"
    return 1
}
# Never a removal: a refused package must not take an installed one with it.
apt_install() { apt_get install -y -qq --no-install-recommends --no-remove "$@"; }

if [ -n "$need32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386 || { refusal="dpkg --add-architecture i386 failed"; need32=""; }
fi
# An index that fails to download (a mirror in mid-sync) ends nothing yet:
# what decides is whether the packages are there afterwards.
apt_get update -qq || echo "install-deps: going on with the package lists there are"
# shellcheck disable=SC2086
if [ -n "$need32" ]; then
    # One transaction, so that apt lines up each i386 library with its amd64
    # twin. Where the archive's i386 lists lag behind its amd64 ones (the
    # security updates' i386 list missing, say), apt refuses; the release's
    # own versions, which both architectures' lists hold, can still match
    # (-t), as long as no newer amd64 twin is installed yet: -t downgrades
    # nothing. The next `apt-get upgrade` lifts both together. Failing that,
    # all but Wine's 32-bit part, and the tests run as on a machine without
    # 32-bit programs; the next run tries again.
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    apt_install $need $need32 ||
        { refusal="apt: $apt_error"; [ -n "$release" ] && apt_install -t "$release" $need $need32; } ||
        { [ -z "$need" ] || apt_install $need || true; }
elif [ -n "$need" ]; then
    apt_install $need || true
fi

if have_pkg wine32; then
    rm -f "$refused"
elif [ -n "$want32" ]; then
    mkdir -p "$(dirname "$refused")"
    echo "$refusal" >"$refused"
    echo "install-deps: Wine's 32-bit part could not be installed ($refusal);" \
        "the tests run as on a machine that cannot run 32-bit programs"
fi
missing=""
for p in $need; do
    have_pkg "$p" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "install-deps: cannot go on without$missing (apt: $apt_error)" >&2
    exit 1
fi
gen_locales
