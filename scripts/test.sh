#!/bin/sh
# Builds the applet for i686 and x86_64, and the installer holding both, and
# runs every test headless under Wine; checks the include order of the layers
# first. Installs what is missing first.
# On a machine that cannot run 32-bit programs (scripts/win32-probe.sh finds
# out) the i686 build is inspected from the x86_64 tree instead of tested, and
# the installer tests that run 32-bit code are left out; the summary says so.
# Exit status: nonzero if any that ran failed.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
. "$root/scripts/wine-loader.sh"

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

# Runs CTest in build folder $2 with the options after it, its output both
# shown and kept in $1. sh has no pipefail: the exit status goes through a file.
run_ctest() {
    log="$1"
    shift
    rm -f "$log.status"
    { code=0; ctest --no-tests=error --output-on-failure --test-dir "$@" 2>&1 || code=$?; echo "$code" >"$log.status"; } |
        tee "$log"
    ctest_status=$(cat "$log.status" 2>/dev/null || echo 1)
}

# Adds a run to the summary: CTest's exit status decides it, its closing
# line describes it.
record() {
    if [ "$2" -eq 0 ]; then
        result="passed"
    else
        result="FAILED"
        status=1
    fi
    summary="$summary$1: $(grep -E 'tests passed|No tests were found' "$3" | tail -1) [$result]
"
}

echo "== include order"
if ./scripts/check-layers.sh; then
    summary="layers: no file includes from a later layer [passed]
"
else
    summary="layers: a file includes from a later layer [FAILED]
"
    status=1
fi

for arch in $archs; do
    build="$root/build/$arch"
    echo "== $arch: build"
    set -- -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake"
    if [ "$arch" = x86_64 ]; then
        set -- "$@" -DKESTRUNE_I686_BUILD="$installer"
    fi
    cmake -S "$root" -B "$build" "$@" >/dev/null
    cmake --build "$build" -j "$jobs"

    if [ "$arch" = i686 ]; then
        echo "== i686: can this machine run 32-bit Windows programs?"
        probe=0
        why=$("$root/scripts/win32-probe.sh" "$build") || probe=$?
        if [ "$probe" -eq 1 ]; then
            echo "no: $why"
            # The one switch for "no 32-bit here", for the tests that read it.
            export KESTRUNE_NO_WIN32=1
            inspected="built"
            has_arch x86_64 && inspected="built and inspected (i686_image_tests, in the x86_64 run)"
            summary="${summary}i686: $inspected; tests not run: $why
"
            continue
        fi
        # A probe that could not find out leaves the answer to the tests.
        [ "$probe" -eq 0 ] && echo yes || echo "the probe could not tell: $why"
    fi

    echo "== $arch: tests"
    export WINEPREFIX="$build/wineprefix"
    "$root/scripts/wine-prefix.sh"
    # One wineserver for the whole run; the first program starts Wine's own
    # background services, so give it no terminal output to hold open.
    current_prefix="$WINEPREFIX"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -p >/dev/null 2>&1 </dev/null || true
    WINEDEBUG=-all "$wine64_loader" cmd.exe /c exit >/dev/null 2>&1 </dev/null || true

    run_ctest "$build/ctest.log" "$build" -j "$jobs" -LE 'installer|signing'
    stop_wineserver
    unset WINEPREFIX

    record "$arch" "$ctest_status" "$build/ctest.log"
done

# The installer's tests make their own prefixes, a 64-bit and a 32-bit one.
# Those that run 32-bit code (label win32-code) need a machine that can.
if [ -n "$installer" ]; then
    echo "== installer: tests"
    set -- -L installer
    [ -z "${KESTRUNE_NO_WIN32:-}" ] || set -- "$@" -LE win32-code
    run_ctest "$root/build/x86_64/ctest-installer.log" "$root/build/x86_64" -j 2 "$@"
    record installer "$ctest_status" "$root/build/x86_64/ctest-installer.log"
    if [ -n "${KESTRUNE_NO_WIN32:-}" ]; then
        left=$(ctest --test-dir "$root/build/x86_64" -N -L win32-code | grep -c 'Test *#')
        summary="${summary}installer: $left tests not run (the NSIS setup's installs, the 32-bit prefix): $why
"
    fi
fi

# The signed release: trees and a prefix of its own. Without 32-bit
# programs it checks the setup's contents instead of installing it, and
# runs no i686 applet.
if [ -n "$installer" ]; then
    echo "== signing: tests"
    run_ctest "$root/build/x86_64/ctest-signing.log" "$root/build/x86_64" -L signing
    record signing "$ctest_status" "$root/build/x86_64/ctest-signing.log"
    if [ -n "${KESTRUNE_NO_WIN32:-}" ]; then
        summary="${summary}signing: not run: the setup's uninstaller and the signed i686 applet in a host: $why
"
    fi
fi

# The release, built twice from fresh clones of this commit: the same bytes.
if [ -n "$installer" ]; then
    echo "== release: two builds"
    log=$root/build/release.log
    rm -f "$log.status"
    { code=0; sh "$root/tests/release/rebuild_test.sh" "$root/build/release" 2>&1 || code=$?; echo "$code" >"$log.status"; } |
        tee "$log"
    r=passed
    [ "$(cat "$log.status" 2>/dev/null || echo 1)" -eq 0 ] || { r=FAILED; status=1; }
    summary="${summary}release: $(tail -n 1 "$log") [$r]
"
fi

echo "== summary"
printf '%s' "$summary"
exit $status
