#!/bin/sh
# Builds the 32-bit applet and opens it in Wine's Control Panel host, on this
# desktop. Installs what is missing first.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh

if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh opens a window: run it from a desktop session (DISPLAY is not set)." >&2
    exit 1
fi

build="$root/build/i686"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686.cmake" >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target Kestrune

# A prefix of its own that draws on this display; the tests' prefixes are headless.
export WINEPREFIX="$build/run-prefix"
KESTRUNE_WINE_GRAPHICS=x11 "$root/scripts/wine-prefix.sh"
export WINEDEBUG=-all
# printf, not echo: sh's echo would read "\b" in "Z:\build" as a backspace.
cpl="Z:$(printf '%s' "$build/Kestrune.cpl" | tr / '\\')"
printf 'Opening %s\n' "$cpl"
wine control.exe "$cpl"
