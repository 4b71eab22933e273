#!/bin/sh
# Runs the save test that needs what only root can set up on these machines,
# in folders of the Wine prefix's drive C: a 40 KB file system (a full disk),
# a file that another Unix user owns (to Wine, another owner), and a folder
# that takes no new file (immutable). Skipped, saying why, where it cannot be
# set up; never passed without it.
# Usage: save-conditions.sh SETTINGS_TESTS_PROGRAM
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
scripts="$(cd "$(dirname "$0")/../../scripts" && pwd)"
"$scripts/wine-prefix.sh"
base="$WINEPREFIX/drive_c/kestrune-save-$$"
skip() {
    echo "Skipped: $*"
    exit 77
}
cleanup() {
    umount "$base/full" 2>/dev/null || true
    chattr -i "$base/fixed" 2>/dev/null || true
    rm -rf "$base"
}
[ "$(id -u)" -eq 0 ] || skip "mounting a small file system needs root"
trap cleanup EXIT
mkdir -p "$base/full" "$base/owner" "$base/fixed"
mount -t tmpfs -o size=40k tmpfs "$base/full" 2>/dev/null || skip "this machine cannot mount a tmpfs"
: >"$base/owner/orvexd.ini"
chown 1234:1234 "$base/owner/orvexd.ini"
: >"$base/fixed/orvexd.ini"
folder='C:\kestrune-save-'$$
export KESTRUNE_FULL_DISK="$folder\\full\\" KESTRUNE_OTHER_OWNER="$folder\\owner\\"
if chattr +i "$base/fixed" 2>/dev/null; then
    export KESTRUNE_NO_NEW_FILE="$folder\\fixed\\"
else
    echo "Not tested: a folder that takes no new file (this file system cannot make one immutable)"
fi
"$scripts/wine-run.sh" "$1" --gtest_filter='SaveConditions.*' </dev/null
