#!/bin/sh
# Whether this machine runs 32-bit Windows programs: exits 0 if it does, 1
# if not (saying why on standard output), 2 if it could not find out.
# KESTRUNE_NO_WIN32 set to anything but empty answers "no" without trying:
# it is the one switch for "no 32-bit here", which a developer sets to see
# that path on a machine that can, and which scripts/test.sh sets when this
# probe says no, for the tests that read it.
# Then it asks the kernel, with a program that needs no package; then
# whether Wine's 32-bit part is installed (scripts/install-deps.sh says why
# not in build/wine32-refused); then it runs a tiny i686 program in a prefix
# of its own with a short time limit: with an emulator registered for 32-bit
# programs Wine's 32-bit loader may start and then never get a program going,
# so neither `wine --version` nor the kernel log can tell.
# Usage: win32-probe.sh I686_BUILD_FOLDER   every check
#        win32-probe.sh --kernel            the switch and the kernel only
set -eu
scripts="$(cd "$(dirname "$0")" && pwd)"
. "$scripts/wine-loader.sh"
target=${1:?usage: win32-probe.sh I686_BUILD_FOLDER | --kernel}
seconds=60

if [ -n "${KESTRUNE_NO_WIN32:-}" ]; then
    echo "KESTRUNE_NO_WIN32 is set"
    exit 1
fi

# The smallest i386 ELF executable, 91 bytes, that only exits with 0:
#   ELF header, 52 bytes: \177ELF, 32-bit, little-endian, version 1, 9 bytes
#     padding; type 2 (executable), machine 3 (i386), version 1, entry point
#     0x08048054, program header at 52, no sections, flags 0, header size 52,
#     program header size 32, one program header, no section headers
#   program header, 32 bytes: loadable, the whole file from offset 0 at
#     0x08048000, 91 bytes in the file and in memory, readable and executable,
#     page-aligned
#   code, 7 bytes at 84: xor eax,eax; inc eax (1: exit); xor ebx,ebx (status
#     0); int 0x80
# It runs through sh's exec: `timeout` itself would hand a file the kernel
# refuses to /bin/sh as a script.
kernel=0
elf=$(mktemp)
printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0''\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\133\0\0\0\133\0\0\0\5\0\0\0\0\20\0\0''\61\300\100\61\333\315\200' >"$elf"
chmod +x "$elf"
out=$(timeout -k 1 10 sh -c 'exec "$0"' "$elf" 2>&1) || kernel=$?
rm -f "$elf"
if [ "$kernel" -ne 0 ]; then
    case "$out" in
    *"Exec format error"*)
        echo "this kernel runs no 32-bit programs (Exec format error)"
        exit 1
        ;;
    esac
    # A temporary folder mounted noexec, say: no answer.
    kernel=2
fi
[ "$target" = --kernel ] && exit "$kernel"

if ! dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "ok installed"; then
    refused="$scripts/../build/wine32-refused"
    if [ -s "$refused" ]; then
        echo "Wine's 32-bit part could not be installed ($(cat "$refused"))"
    else
        echo "Wine's 32-bit part (wine32) is not installed"
    fi
    exit 1
fi

build=$(cd "$target" && pwd)
program="$build/tests/win32_probe.exe"
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
124 | 137) echo "this machine cannot run 32-bit programs (a 32-bit program did not end within $seconds seconds)" ;;
*) echo "this machine cannot run 32-bit programs (a 32-bit program failed ($status): $(head -n 1 "$out"))" ;;
esac
exit 1
