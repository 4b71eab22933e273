#!/bin/sh
# Builds the 32-bit applet and opens it in Wine's Control Panel host, on this
# desktop. On a machine that cannot run 32-bit programs it opens the 64-bit
# applet in Wine's 64-bit host instead, and says so. Installs what is missing
# first.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
. "$root/scripts/wine-loader.sh"

./scripts/install-deps.sh

if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh opens a window: run it from a desktop session (DISPLAY is not set)." >&2
    exit 1
fi

. "$root/scripts/applet-build.sh"
build_runnable Kestrune

# A prefix of its own that draws on this display; the tests' prefixes are
# headless. Each loader runs its own word size's control.exe.
export WINEPREFIX="$build/run-prefix"
KESTRUNE_WINE_GRAPHICS=x11 "$root/scripts/wine-prefix.sh"
export WINEDEBUG=-all
# printf, not echo: sh's echo would read "\b" in "Z:\build" as a backspace.
cpl="Z:$(printf '%s' "$build/Kestrune.cpl" | tr / '\\')"
printf 'Opening %s\n' "$cpl"
"$loader" control.exe "$cpl"
