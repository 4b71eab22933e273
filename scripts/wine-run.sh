#!/bin/sh
# CTest's emulator: runs one Windows program under Wine, headless, with the
# loader of its own word size.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
. "$(dirname "$0")/wine-loader.sh"
# Wine's display language and ANSI code page follow the locale.
wine_locale
"$(dirname "$0")/wine-prefix.sh"
unset DISPLAY WAYLAND_DISPLAY
exec "$(program_loader "$1")" "$@"
