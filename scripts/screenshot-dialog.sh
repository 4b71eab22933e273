#!/bin/sh
# Opens the 32-bit applet in Wine's control.exe on a virtual X display and
# saves a picture of its dialog as a user sees it, caption and frame included.
# Usage: screenshot-dialog.sh [output.png]   (default docs/dialog.png)
# Everything it starts (Xvfb, a throwaway Wine prefix with its own wineserver)
# is stopped and removed before it ends; KEEP_WORK=1 keeps the prefix and logs.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out="${1:-$root/docs/dialog.png}"
caption="Orvex Network Driver"

./scripts/install-deps.sh

build="$root/build/i686"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686.cmake" >/dev/null
cmake --build "$build" -j 2 --target Kestrune >/dev/null

work=$(mktemp -d)
xvfb_pid=""
export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all
unset WAYLAND_DISPLAY
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "$*" >&2
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")" >&2; tail -n 20 "$log" >&2; }
    done
    exit 1
}

# Polls a command every tenth of a second until it succeeds or the seconds run out.
wait_for() {
    seconds=$1
    shift
    tries=$((seconds * 10))
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 20 test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

KESTRUNE_WINE_GRAPHICS=x11 "$root/scripts/wine-prefix.sh"
# No window manager runs on the display: Wine draws the caption and frame
# itself, into the dialog's own X window, so that window is the whole picture.
# (Without a window manager Wine never makes a window the foreground one, so
# the caption shows in the inactive colours.)
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >"$work/reg.log" 2>&1

cpl="Z:$(echo "$build/Kestrune.cpl" | tr / '\\')"
wine control.exe "$cpl" >"$work/control.log" 2>&1 </dev/null &

find_dialog() {
    xdotool search --onlyvisible --name "^$caption\$" >"$work/window" 2>/dev/null
}
wait_for 90 find_dialog || fail "the dialog did not appear"
window=$(head -n 1 "$work/window")

# Painting is finished when two pictures a moment apart are the same.
painted() {
    import -window "$window" "$work/a.png" && sleep 0.3 && import -window "$window" "$work/b.png" &&
        cmp -s "$work/a.png" "$work/b.png"
}
wait_for 30 painted || fail "the dialog kept changing"

mkdir -p "$(dirname "$out")"
cp "$work/b.png" "$out"
echo "saved $out"
