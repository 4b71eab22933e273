# Sourced by every script that starts Wine: the one place that knows how to
# start each of Wine's loaders, and in which language.
#
# Debian's `wine` (and `wineboot`, `winecfg` ..., which go through it) starts
# the 32-bit loader whenever wine32 is installed, whatever the program. On a
# machine that cannot run 32-bit programs that loader cannot start at all, so
# 64-bit programs and 64-bit prefixes are started with the 64-bit loader by
# name, on every machine. Debian keeps it outside PATH; elsewhere it is
# `wine64`, or `wine` itself where Wine is 64-bit only. (Debian's `wineserver`
# already picks the 64-bit server.)
if [ -x /usr/lib/wine/wine64 ]; then
    wine64_loader=/usr/lib/wine/wine64
elif command -v wine64 >/dev/null 2>&1; then
    wine64_loader=wine64
else
    wine64_loader=wine
fi
wine32_loader=wine

# The loader for the prefix named by $WINEPREFIX: a 32-bit prefix is made
# with WINEARCH=win32, any other is 64-bit. The 64-bit loader hands a 32-bit
# program in a 64-bit prefix on to the 32-bit one itself.
prefix_loader() {
    if [ "${WINEARCH:-}" = win32 ]; then
        printf '%s' "$wine32_loader"
    else
        printf '%s' "$wine64_loader"
    fi
}

# The loader for one Windows program file, by the machine its PE header names
# (0x14c: i386); a program the prefix provides, such as control.exe, gets the
# prefix's loader.
program_loader() {
    if [ -f "$1" ]; then
        pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
        machine=$(od -An -tx1 -j$((${pe:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
        if [ "$machine" = 4c01 ]; then
            printf '%s' "$wine32_loader"
            return
        fi
    fi
    prefix_loader
}

# Wine takes the ANSI code page from LC_CTYPE and the display language from
# LC_MESSAGES. KESTRUNE_WINE_LANG (say ja_JP.UTF-8) sets both;
# KESTRUNE_WINE_UI_LANG, when given, sets the display language apart from
# the code page. Wine quietly stays in English when a locale is not
# generated: that fails here, with a word.
wine_locale() {
    [ -n "${KESTRUNE_WINE_LANG:-}" ] || return 0
    _ui="${KESTRUNE_WINE_UI_LANG:-$KESTRUNE_WINE_LANG}"
    for _l in "$KESTRUNE_WINE_LANG" "$_ui"; do
        _want=$(printf '%s' "$_l" | tr 'A-Z' 'a-z' | sed 's/utf-8$/utf8/')
        if ! locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -qx "$_want"; then
            echo "locale $_l is missing; run scripts/install-deps.sh" >&2
            return 1
        fi
    done
    unset LC_ALL
    export LANG="$KESTRUNE_WINE_LANG" LC_CTYPE="$KESTRUNE_WINE_LANG" LC_MESSAGES="$_ui"
}
