#!/bin/sh
# Runs one Windows program under Wine, headless, in a prefix of its own (made
# on first use by wine-prefix.sh, which reads KESTRUNE_WINE_DPI and
# KESTRUNE_WINE_FONTS). The first program in a prefix starts Wine's background
# services, which outlive it and would hold CTest's output open: they get a
# file instead, the script waits for them to end and then prints it.
# Usage: wine-run-apart.sh PREFIX PROGRAM [ARGUMENTS...]
set -eu
export WINEPREFIX="$1"
shift
scripts="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$(dirname "$WINEPREFIX")"
log="$WINEPREFIX.run.log"
status=0
"$scripts/wine-run.sh" "$@" >"$log" 2>&1 </dev/null || status=$?
wineserver -w >/dev/null 2>&1 </dev/null || true
cat "$log"
exit "$status"
