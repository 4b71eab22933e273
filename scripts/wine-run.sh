#!/bin/sh
# CTest's emulator: runs one Windows program under Wine, headless.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
"$(dirname "$0")/wine-prefix.sh"
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
