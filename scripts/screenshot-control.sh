#!/bin/sh
# Shows a dialog holding the hex byte-field control (an editable one and a
# read-only one) on a virtual X display and saves a screenshot of it; the
# 64-bit demo where 32-bit programs cannot run.
# Usage: screenshot-control.sh [output.png]   (default docs/hex-control.png)
# Everything it starts (Xvfb, a throwaway Wine prefix with its own wineserver)
# is stopped and removed before it ends; KEEP_WORK=1 keeps the prefix and the
# logs for a look.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out="${1:-$root/docs/hex-control.png}"

./scripts/install-deps.sh

. "$root/scripts/wine-loader.sh"
. "$root/scripts/applet-build.sh"
build_runnable control_demo >/dev/null
. "$root/scripts/x-session.sh"
start_throwaway_session 400x200
"$loader" "$build/tests/control_demo.exe" >"$work/demo.log" 2>&1 </dev/null &

# The demo says "ready" once its dialog is up and painted.
if ! wait_for 60 grep -q ready "$work/demo.log"; then
    echo "the demo dialog did not come up" >&2
    show_logs
    exit 1
fi
# Let the X server catch up with the last drawing.
sleep 1

mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "saved $out"
