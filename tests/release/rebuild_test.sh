#!/bin/sh
# Two releases of the current commit must be the same, byte for byte:
# scripts/release.sh runs in two fresh clones whose folders differ in name
# and length, at other times in zones a day apart, with another umask and
# locale, and (when this runs as root) as another user; nothing else carries
# over from this environment, the signing variables included. Stops at the first file
# that differs and names it; the last line is the verdict.
# Usage: rebuild_test.sh WORK   (a scratch folder, emptied first)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/support/shell-support.sh"
work=$1
commit=$(git -C "$root" rev-parse HEAD)
rm -rf "$work"
mkdir -p "$work"

# release DIR UID UMASK TZ LOCALE: builds the commit in DIR/src into DIR/out.
release() {
    note "building in $1 as user $2, umask $3, TZ=$4, $5"
    mkdir -p "$1/home" "$1/tmp"
    git clone -q --no-local "$root" "$1/src"
    git -C "$1/src" checkout -q --detach "$commit"
    run=""
    if [ "$(id -u)" -eq 0 ] && [ "$2" -ne 0 ]; then
        chown -R "$2:$2" "$1"
        run="setpriv --reuid=$2 --regid=$2 --clear-groups"
    fi
    # shellcheck disable=SC2086
    $run env -i PATH="$PATH" HOME="$1/home" TMPDIR="$1/tmp" TZ="$4" LANG="$5" LC_ALL="$5" \
        sh -c 'umask "$1" && exec "$2/src/scripts/release.sh" "$2/out"' release "$3" "$1" \
        >"$1/release.log" 2>&1 || { tail -n 30 "$1/release.log"; fail "the build in $1 failed"; }
}

# POSIX zones, 24 hours apart, so no zone database is needed.
release "$work/a" 0 022 XST-14 C.UTF-8
release "$work/second-build-somewhat-longer" 65534 077 YST10 ja_JP.UTF-8
first=$work/a/out second=$work/second-build-somewhat-longer/out

# SHA256SUMS last: it differs whenever another file does.
files=$(cd "$first" && find . -type f ! -name SHA256SUMS | LC_ALL=C sort; echo ./SHA256SUMS)
[ "$(cd "$second" && find . -type f | LC_ALL=C sort)" = "$(printf '%s\n' "$files" | LC_ALL=C sort)" ] ||
    fail "the builds made different files: $(cd "$first" && find . -type f | tr '\n' ' ')/ $(cd "$second" && find . -type f | tr '\n' ' ')"
n=0
for f in $files; do
    cmp "$first/$f" "$second/$f" || fail "the two builds differ: ${f#./}"
    n=$((n + 1))
done
# Windows Installer would take the two packages for one: each needs its own code.
codes=$(for a in x86 x64; do msiinfo suminfo "$first"/*-"$a".msi | sed -n 's/^Revision number (UUID): //p'; done)
[ "$(printf '%s\n' "$codes" | sort -u | grep -c .)" -eq 2 ] || fail "the MSI packages' package codes: $codes"
note "done"
echo "two builds identical ($n files, $(($(date +%s) - test_started)) s)"
