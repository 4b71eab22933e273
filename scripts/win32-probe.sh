#!/bin/sh
# Whether this machine runs 32-bit Windows programs: exits 0 if it does, 1
# if not (saying why on standard output), 2 if it could not find out.
# It runs a tiny i686 program in a prefix of its own with a short time limit:
# where the kernel refuses 32-bit programs Wine's 32-bit loader cannot start,
# and with an emulator registered for them it may start and then never get a
# program going, so neither `wine --version` nor the kernel log can tell.
# KESTRUNE_NO_WIN32=1 answers "no" without trying, so that a machine that
# can run them shows the other path too; nothing else reads it.
# Usage: win32-probe.sh I686_BUILD_FOLDER
set -eu
scripts="$(cd "$(dirname "$0")" && pwd)"
. "$scripts/wine-loader.sh"
build=$(cd "${1:?usage: win32-probe.sh I686_BUILD_FOLDER}" && pwd)
program="$build/tests/win32_probe.exe"
seconds=60

if [ -n "${KESTRUNE_NO_WIN32:-}" ]; then
    echo "KESTRUNE_NO_WIN32 is set"
    exit 1
fi
[ -f "$program" ] || { echo "no $program: build the i686 tree first"; exit 2; }

# A 64-bit prefix, as the i686 tests use, made by the 64-bit loader.
unset WINEARCH
export WINEPREFIX="$build/win32-probe-prefix"
export WINEDEBUG=-all
"$scripts/wine-prefix.sh" >/dev/null 2>&1 </dev/null || { echo "could not make the Wine prefix $WINEPREFIX"; exit 2; }

out="$WINEPREFIX.out"
status=0
timeout -k 5 "$seconds" "$wine32_loader" "$program" >"$out" 2>&1 </dev/null || status=$?
wineserver -k >/dev/null 2>&1 </dev/null || true
if [ "$status" -eq 0 ] && grep -q "32-bit Windows programs run here" "$out"; then
    exit 0
fi
case "$status" in
124 | 137) echo "a 32-bit program did not end within $seconds seconds" ;;
*) echo "a 32-bit program failed ($status): $(head -n 1 "$out")" ;;
esac
exit 1
