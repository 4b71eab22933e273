#!/bin/sh
# Makes the headless Wine prefix named by $WINEPREFIX once, and reuses it after.
# The null graphics driver gives real windows and dialogs without a display; a
# crash ends the process at once instead of starting winedbg, which would hang.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
. "$(dirname "$0")/wine-loader.sh"
loader=$(prefix_loader)
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
graphics="${KESTRUNE_WINE_GRAPHICS:-null}"
# A prefix made with KESTRUNE_WINE_DPI has that display scaling (96 = 100 %);
# one made with KESTRUNE_WINE_FONTS=0 lacks Wine's stand-ins for the Windows
# fonts, as a machine whose locale substitutes them does. Both are settings
# of the whole prefix, so such a prefix is for one test program alone.
fonts="${KESTRUNE_WINE_FONTS:-1}"
# A prefix run with KESTRUNE_WINE_LANG speaks that language (wine-loader.sh).
wine_locale
display=""
if [ -n "${KESTRUNE_WINE_DPI:-}" ]; then
    display="[HKEY_CURRENT_USER\\Control Panel\\Desktop]
\"LogPixels\"=dword:$(printf '%08x' "$KESTRUNE_WINE_DPI")"
fi

# Wine's own stand-ins for the Windows fonts (the "System" font and "MS Sans
# Serif" among them) come with fonts-wine, but this Wine does not look for them
# there: they go where Windows keeps its fonts, so that dialogs measure and
# draw in the fonts they name.
wine_fonts=/usr/share/wine/fonts
install_fonts() {
    [ "$fonts" = 0 ] && return 0
    [ -f "$WINEPREFIX/.kestrune-fonts" ] && return 0
    [ -d "$wine_fonts" ] || return 0
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp "$wine_fonts"/* "$WINEPREFIX/drive_c/windows/Fonts/"
    touch "$WINEPREFIX/.kestrune-fonts"
}

[ -f "$WINEPREFIX/.kestrune-ready" ] && { [ -f "$WINEPREFIX/.kestrune-fonts" ] || [ "$fonts" = 0 ]; } && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -f "$WINEPREFIX/.kestrune-ready" ]; then
    install_fonts
    exit 0
fi

rm -rf "$WINEPREFIX"
env -u DISPLAY -u WAYLAND_DISPLAY "$loader" wineboot.exe -i >"$WINEPREFIX.boot.log" 2>&1
reg="$WINEPREFIX.settings.reg"
cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Graphics"="$graphics"

$display

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]
"Debugger"="kestrune-no-such-debugger.exe"
"Auto"="1"

[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]
"Debugger"="kestrune-no-such-debugger.exe"
"Auto"="1"
REG
env -u DISPLAY -u WAYLAND_DISPLAY "$loader" regedit.exe /S "$reg" >>"$WINEPREFIX.boot.log" 2>&1
# Windows links its UI fonts to Japanese ones on every code page, and a
# Japanese language pack brings "MS UI Gothic"; Wine does either only on code
# page 932. Without them a Japanese display language on another code page
# draws every character as a box.
case "${KESTRUNE_WINE_UI_LANG:-}:${KESTRUNE_WINE_LANG:-}" in
ja_*:ja_*) ;;
ja_*:*)
    japanese=IPAGothic
    env -u DISPLAY -u WAYLAND_DISPLAY "$loader" reg.exe add 'HKCU\Software\Wine\Fonts\Replacements' \
        /v "MS UI Gothic" /d "$japanese" /f >>"$WINEPREFIX.boot.log" 2>&1
    for face in Tahoma "MS Sans Serif" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI"; do
        env -u DISPLAY -u WAYLAND_DISPLAY "$loader" reg.exe add \
            'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d "ipag.ttf,$japanese" /f >>"$WINEPREFIX.boot.log" 2>&1
    done
    ;;
esac
wineserver -w
install_fonts
touch "$WINEPREFIX/.kestrune-ready"
