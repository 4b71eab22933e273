#!/bin/sh
# Makes the headless Wine prefix named by $WINEPREFIX once, and reuses it after.
# The null graphics driver gives real windows and dialogs without a display; a
# crash ends the process at once instead of starting winedbg, which would hang.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
graphics="${KESTRUNE_WINE_GRAPHICS:-null}"

[ -f "$WINEPREFIX/.kestrune-ready" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.kestrune-ready" ] && exit 0

rm -rf "$WINEPREFIX"
env -u DISPLAY -u WAYLAND_DISPLAY wineboot -i >"$WINEPREFIX.boot.log" 2>&1
reg="$WINEPREFIX.settings.reg"
cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Graphics"="$graphics"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]
"Debugger"="kestrune-no-such-debugger.exe"
"Auto"="1"

[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]
"Debugger"="kestrune-no-such-debugger.exe"
"Auto"="1"
REG
env -u DISPLAY -u WAYLAND_DISPLAY wine regedit /S "$reg" >>"$WINEPREFIX.boot.log" 2>&1
wineserver -w
touch "$WINEPREFIX/.kestrune-ready"
