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
export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all
. "$root/scripts/x-session.sh"
cleanup() {
    stop_x_session
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "$*" >&2
    show_logs
    exit 1
}

start_xvfb 800x600 || fail "Xvfb did not start"

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
