#!/bin/sh
# Builds the applet for i686 and x86_64, and the installer holding both, and
# runs every test headless under Wine. Installs what is missing first.
# Exit status: nonzero if any failed.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
archs="${KESTRUNE_ARCHS:-i686 x86_64}"
# The installer needs both builds; the x86_64 tree makes it from the i686 one.
has_arch() { case " $archs " in *" $1 "*) return 0 ;; esac; return 1; }
installer=""
if has_arch i686 && has_arch x86_64; then
    archs="i686 x86_64"
    installer="$root/build/i686"
fi
summary=""
status=0
current_prefix=""

stop_wineserver() {
    [ -n "$current_prefix" ] && WINEPREFIX="$current_prefix" wineserver -k >/dev/null 2>&1 || true
    current_prefix=""
}
trap stop_wineserver EXIT INT TERM

# Adds CTest's closing line of a run to the summary; a run without a clean
# "0 tests failed" fails the whole command.
record() {
    if grep -q "tests passed, 0 tests failed" "$2"; then
        result="passed"
    else
        result="FAILED"
        status=1
    fi
    summary="$summary$1: $(grep -E 'tests passed|No tests were found' "$2" | tail -1) [$result]
"
}

for arch in $archs; do
    build="$root/build/$arch"
    echo "== $arch: build"
    set -- -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake"
    if [ "$arch" = x86_64 ]; then
        set -- "$@" -DKESTRUNE_I686_BUILD="$installer"
    fi
    cmake -S "$root" -B "$build" "$@" >/dev/null
    cmake --build "$build" -j "$jobs"

    echo "== $arch: tests"
    export WINEPREFIX="$build/wineprefix"
    "$root/scripts/wine-prefix.sh"
    # One wineserver for the whole run; the first program starts Wine's own
    # background services, so give it no terminal output to hold open.
    current_prefix="$WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -p >/dev/null 2>&1 </dev/null || true
    WINEDEBUG=-all wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true

    log="$build/ctest.log"
    if ctest --test-dir "$build" --output-on-failure -j "$jobs" -LE installer 2>&1 | tee "$log"; then :; fi
    stop_wineserver
    unset WINEPREFIX

    record "$arch" "$log"
done

# The installer's tests make their own prefixes, a 64-bit and a 32-bit one.
if [ -n "$installer" ]; then
    echo "== installer: tests"
    log="$root/build/x86_64/ctest-installer.log"
    if ctest --test-dir "$root/build/x86_64" --output-on-failure -j 2 -L installer 2>&1 | tee "$log"; then :; fi
    record installer "$log"
fi

echo "== summary"
printf '%s' "$summary"
exit $status
