#!/bin/sh
# The applet in a real host: Wine's own control.exe opens Kestrune.cpl on an X
# display of its own, a device name and a protect number are typed with real
# keystrokes, Enter confirms, and both must be in the settings file.
# Usage: control-panel-test.sh KESTRUNE_CPL PREFIX
set -eu
cpl=$1
prefix=$2
scripts="$(cd "$(dirname "$0")/../../scripts" && pwd)"
. "$(dirname "$0")/../support/shell-support.sh"

name="Host Name 1"
digits="A1B2C3D4E5F6"
expected_protect="a1b2c3d4e5f6"
caption="Orvex Network Driver"

work=$(mktemp -d)
control_pid=""
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
. "$scripts/wine-loader.sh"
. "$scripts/x-session.sh"

stop() {
    status=$?
    if [ -n "$control_pid" ]; then kill "$control_pid" 2>/dev/null || true; fi
    stop_x_session
    [ "$status" -eq 0 ] || show_logs
    rm -rf "$work"
    exit "$status"
}
trap stop EXIT
trap 'exit 1' INT TERM

# The X driver, a crash ends the process instead of starting a debugger.
KESTRUNE_WINE_GRAPHICS=x11 "$scripts/wine-prefix.sh"
ini="$prefix/drive_c/ProgramData/VORMEL/ORVEXDRIVER/orvexd.ini"
rm -rf "$prefix/drive_c/ProgramData/VORMEL"

start_xvfb 1024x768 || fail "Xvfb did not start"

windows_cpl="Z:$(echo "$cpl" | tr / '\\')"
# The marker tells when the host has ended (a finished child stays visible to
# kill -0 until it is waited for).
# The 32-bit loader runs the 32-bit control.exe, which the 32-bit applet needs.
( "$wine32_loader" control.exe "$windows_cpl" >"$work/control.log" 2>&1; echo "$?" >"$work/control.ended" ) &
control_pid=$!

find_dialog() {
    xdotool search --onlyvisible --name "^$caption\$" >"$work/window" 2>/dev/null
}
wait_for 90 find_dialog || fail "the dialog did not appear"
window=$(head -n 1 "$work/window")
xdotool windowfocus --sync "$window"

# The focus starts on OK; the tab order is OK, Cancel, Device No., Device
# Name, IP Address, Protect No. Tabbing into the name selects it, so typing
# replaces it; tabbing into the protect number selects its first field, and
# each full field moves on to the next.
xdotool key --delay 40 Tab Tab Tab
xdotool type --delay 40 "$name"
xdotool key --delay 40 Tab Tab
xdotool type --delay 40 "$digits"
xdotool key Return

# OK ends the dialog after the save, and the host ends with it.
wait_for 60 test -f "$work/control.ended" || fail "control.exe did not end after Enter"
control_pid=""
[ -f "$ini" ] || fail "no settings file was written"

# The value of one entry of the settings file.
entry() {
    tr -d '\r' <"$ini" | awk -v section="[$1]" -v key="$2" '
        /^\[/ { inside = ($0 == section); next }
        inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }'
}
[ "$(entry "Device Name" 0)" = "$name" ] || fail "slot 0's name was saved as '$(entry "Device Name" 0)'"
[ "$(entry "Protect No" 0)" = "$expected_protect" ] ||
    fail "slot 0's protect number was saved as '$(entry "Protect No" 0)'"
[ "$(entry "Tcp" 0)" = 1 ] || fail "slot 0's transport was saved as '$(entry "Tcp" 0)'"
[ "$(entry "Device Name" 255)" = "ZONE256" ] || fail "the whole table was not written"
echo "PASS: control.exe saved '$name' and protect number $expected_protect for slot 0"
