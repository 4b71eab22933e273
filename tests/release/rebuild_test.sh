#!/bin/sh
# Two releases of the current commit must be the same, byte for byte:
# scripts/release.sh runs in two fresh clones whose folders differ in name
# and length, minutes apart, with another umask, time zone and locale, and
# (when this runs as root) as another user; nothing else carries over from
# this environment, the signing variables included. Stops at the first file
# that differs and names it.
# Usage: rebuild_test.sh WORK   (a scratch folder, emptied first)
# Progress goes to stderr; the last line on stdout is the verdict.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
commit=$(git -C "$root" rev-parse HEAD)
started=$(date +%s)
rm -rf "$work"
mkdir -p "$work"
verdict() { echo "$*"; exit 1; }

# release DIR UID UMASK TZ LOCALE: builds the commit in DIR/src into DIR/out.
release() {
    dir=$1
    echo "[$(($(date +%s) - started)) s] building in $dir as user $2, umask $3, TZ=$4, $5" >&2
    mkdir -p "$dir/home" "$dir/tmp"
    git clone -q --no-local "$root" "$dir/src"
    git -C "$dir/src" checkout -q --detach "$commit"
    run=""
    if [ "$(id -u)" -eq 0 ] && [ "$2" -ne 0 ]; then
        chown -R "$2:$2" "$dir"
        run="setpriv --reuid=$2 --regid=$2 --clear-groups"
    fi
    # shellcheck disable=SC2086
    $run env -i PATH="$PATH" HOME="$dir/home" TMPDIR="$dir/tmp" TZ="$4" LANG="$5" LC_ALL="$5" \
        sh -c 'umask "$1" && exec "$2/src/scripts/release.sh" "$2/out"' release "$3" "$dir" \
        >"$dir/release.log" 2>&1 || { tail -30 "$dir/release.log" >&2; verdict "the build in $dir failed"; }
}

# POSIX zones, 24 hours apart, so no zone database is needed.
release "$work/a" 0 022 XST-14 C.UTF-8
release "$work/second-build-somewhat-longer" 65534 077 YST10 ja_JP.UTF-8
first=$work/a/out second=$work/second-build-somewhat-longer/out

# SHA256SUMS last: it differs whenever another file does.
files=$(cd "$first" && LC_ALL=C ls | grep -vx SHA256SUMS; echo SHA256SUMS)
[ "$(cd "$second" && LC_ALL=C ls)" = "$(printf '%s\n' "$files" | LC_ALL=C sort)" ] ||
    verdict "the builds made different files: $(ls "$first" | tr '\n' ' ')/ $(ls "$second" | tr '\n' ' ')"
n=0
for f in $files; do
    cmp "$first/$f" "$second/$f" >&2 || verdict "the two builds differ: $f"
    n=$((n + 1))
done
echo "[$(($(date +%s) - started)) s] done" >&2
echo "two builds identical ($n files)"
