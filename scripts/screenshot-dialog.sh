#!/bin/sh
# Opens the 32-bit applet (the 64-bit one where 32-bit programs cannot run)
# on a virtual X display and saves a picture of its dialog as a user sees
# it, caption and frame included. The host is rundll32, which, like
# Windows' own Control Panel loader, has no common-controls-6 manifest
# (Wine's control.exe has one): the picture shows the look that the applet
# gives itself.
# Usage: screenshot-dialog.sh [output.png [locale]]   (default docs/dialog.png)
# A locale (de_DE.UTF-8, fr_FR.UTF-8, ja_JP.UTF-8) shows the dialog in that
# display language, as Wine takes it from the locale.
# Everything it starts (Xvfb, a throwaway Wine prefix with its own wineserver)
# is stopped and removed before it ends; KEEP_WORK=1 keeps the prefix and logs.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out="${1:-$root/docs/dialog.png}"
lang="${2:-}"
case "$lang" in
"" | en_US.UTF-8) caption="Orvex Network Driver" ;;
de_DE.UTF-8) caption="Orvex-Netzwerktreiber" ;;
fr_FR.UTF-8) caption="Pilote réseau Orvex" ;;
ja_JP.UTF-8) caption="Orvex ネットワーク ドライバー" ;;
*) echo "no dialog caption known for locale $lang" >&2; exit 1 ;;
esac
if [ -n "$lang" ]; then
    export KESTRUNE_WINE_LANG="$lang" LC_ALL="$lang" LANG="$lang"
fi

./scripts/install-deps.sh

. "$root/scripts/wine-loader.sh"
. "$root/scripts/applet-build.sh"
build_runnable Kestrune >/dev/null
. "$root/scripts/x-session.sh"
start_throwaway_session 800x600
# Wine draws the frame into the dialog's own X window, so that window is the
# whole picture. (Without a window manager Wine never makes a window the
# foreground one, so the caption shows in the inactive colours.)

fail() {
    echo "$*" >&2
    show_logs
    exit 1
}

cpl="Z:$(echo "$build/Kestrune.cpl" | tr / '\\')"
# Each loader runs its own word size's rundll32, which an applet of that size needs.
"$loader" rundll32.exe shell32.dll,Control_RunDLL "$cpl" >"$work/rundll32.log" 2>&1 </dev/null &

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
