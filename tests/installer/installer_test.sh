#!/bin/sh
# The installer's tests under Wine, headless, in a throwaway prefix of their
# own: one step per call, run by CTest in this order (tests/installer/CMakeLists.txt):
#   prefix      make a fresh prefix, with a settings file orvexd.ini in
#               C:\ProgramData\VORMEL\ORVEXDRIVER as a user's machine has
#   install     silent install: the applet is where the Cpls value says, in
#               the right registry view, and loads and answers CPL_GETCOUNT
#               with 1; the silent uninstall leaves nothing of ours behind
#   upgrade     installing over an install keeps one set of files and values
#   ini-beside  an orvexd.ini beside the installed applet survives the
#               uninstall, and so does its folder
#   stop        stop the prefix's wineserver; delete the prefix unless a step
#               failed (Wine's output stays in <prefix>.log)
# Each install step starts and ends with nothing of ours in the prefix, and
# ends with the settings file byte-identical.
#
# Environment (set by CTest):
#   WINEPREFIX            the prefix
#   KESTRUNE_WINDOWS      win64, or win32 for a 32-bit prefix (WINEARCH=win32)
#   KESTRUNE_SETUP        the installer
#   KESTRUNE_PROBE        cpl_probe.exe built for that Windows
#   KESTRUNE_EXPECTED_CPL the Kestrune.cpl build that Windows must get
#   KESTRUNE_VERSION      the project's version
#   KESTRUNE_WINE_PREFIX  scripts/wine-prefix.sh
set -eu
step=${1:?usage: installer_test.sh prefix|install|upgrade|ini-beside|stop}
: "${WINEPREFIX:?}" "${KESTRUNE_WINDOWS:?}" "${KESTRUNE_SETUP:?}" "${KESTRUNE_PROBE:?}"
: "${KESTRUNE_EXPECTED_CPL:?}" "${KESTRUNE_VERSION:?}" "${KESTRUNE_WINE_PREFIX:?}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
[ "$KESTRUNE_WINDOWS" = win32 ] && export WINEARCH=win32

# Wine's own output, and its background processes' (which would keep CTest
# waiting on our output), goes to this log; program output to files.
log="$WINEPREFIX.log"
work="$WINEPREFIX.work/$step"
failed="$WINEPREFIX.failed"
drive_c="$WINEPREFIX/drive_c"

CPLS='HKLM\Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls'
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune'
DEFAULT_DIR='C:\Program Files\Kestrune'
SETTINGS_INI="$drive_c/ProgramData/VORMEL/ORVEXDRIVER/orvexd.ini"
if [ "$KESTRUNE_WINDOWS" = win64 ]; then
    view=64 other_view=32
else
    view=32 other_view=""   # 32-bit Windows has one registry view
fi

fail() {
    echo "FAIL ($KESTRUNE_WINDOWS $step): $*"
    exit 1
}
note() { echo "$KESTRUNE_WINDOWS $step: $*"; }

# wine_to FILE PROGRAM ARGS...: runs a Windows program, its output to FILE.
wine_to() {
    out=$1
    shift
    echo ">> wine $*" >>"$log"
    wine "$@" </dev/null >"$out" 2>>"$log"
}

# A Unix path as Wine's drive Z: names it.
zpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# A C: path inside the prefix as a Unix path.
unix_path() { printf '%s/%s' "$drive_c" "${1#[Cc]:\\}" | tr '\\' /; }

# reg_get VIEW KEY NAME: prints the value's data; fails when it is not there.
reg_get() {
    wine_to "$work/reg.out" reg query "$2" /v "$3" "/reg:$1" || return 1
    tr -d '\r' <"$work/reg.out" | sed -n "s/^    $3    REG_[A-Z_]*    //p"
}
reg_has_key() { wine_to "$work/reg.out" reg query "$2" "/reg:$1"; }

expect_eq() { # WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1 is '$2', expected '$3'"
}

# Nothing the installer makes is in the prefix: no file, no folder, no value.
expect_nothing_of_ours() {
    for v in $view $other_view; do
        ! reg_has_key "$v" "$CPLS" || fail "the Cpls key is there (/reg:$v)"
        ! reg_has_key "$v" "$UNINST" || fail "the uninstall key is there (/reg:$v)"
    done
    for d in "Program Files/Kestrune" "Program Files (x86)/Kestrune" KestruneMoved; do
        [ ! -e "$drive_c/$d" ] || fail "C:/$d is there: $(ls -A "$drive_c/$d" | tr '\n' ' ')"
    done
}

# A snapshot of what an installer can touch: the files of drive C: (less the
# temporary folders) and the CurrentVersion keys of both registry views.
snapshot() {
    (cd "$drive_c" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune -o -print |
        LC_ALL=C sort) >"$work/$1.files"
    for v in 32 64; do
        wine_to "$work/reg.out" reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion' \
            "$(zpath "$work/$1.$v.reg")" /y "/reg:$v" || fail "reg export failed"
    done
}
expect_same_snapshot() { # BEFORE AFTER
    diff "$work/$1.files" "$work/$2.files" || fail "files differ between $1 and $2"
    for v in 32 64; do
        if ! cmp -s "$work/$1.$v.reg" "$work/$2.$v.reg"; then
            iconv -f UTF-16 -t UTF-8 "$work/$1.$v.reg" >"$work/a.txt"
            iconv -f UTF-16 -t UTF-8 "$work/$2.$v.reg" >"$work/b.txt"
            diff "$work/a.txt" "$work/b.txt" || true
            fail "registry (/reg:$v) differs between $1 and $2"
        fi
    done
}

install() { # ARGS...
    note "install $*"
    wine_to "$work/setup.out" "$KESTRUNE_SETUP" /S "$@" || fail "the installer exited with $?"
}

# Everything an install into DIR (a Windows path) must have made, and the
# applet loading from where the Cpls value points.
expect_installed() {
    dir=$1
    cpl=$(reg_get $view "$CPLS" Kestrune) || fail "no Cpls value Kestrune (/reg:$view)"
    expect_eq "the Cpls value" "$cpl" "$dir\\Kestrune.cpl"
    if [ -n "$other_view" ]; then
        ! reg_get $other_view "$CPLS" Kestrune >/dev/null || fail "a Cpls value in the 32-bit view"
        ! reg_has_key $other_view "$UNINST" || fail "an uninstall key in the 32-bit view"
    fi
    expect_eq "the install folder" "$(ls -A "$(unix_path "$dir")" | tr '\n' ' ')" "Kestrune.cpl Uninstall.exe "
    cmp -s "$(unix_path "$cpl")" "$KESTRUNE_EXPECTED_CPL" ||
        fail "$cpl is not $KESTRUNE_EXPECTED_CPL"

    expect_eq DisplayName "$(reg_get $view "$UNINST" DisplayName)" "Orvex Network Driver"
    expect_eq DisplayVersion "$(reg_get $view "$UNINST" DisplayVersion)" "$KESTRUNE_VERSION"
    expect_eq Publisher "$(reg_get $view "$UNINST" Publisher)" "Kestrune"
    expect_eq UninstallString "$(reg_get $view "$UNINST" UninstallString)" "\"$dir\\Uninstall.exe\""
    expect_eq QuietUninstallString "$(reg_get $view "$UNINST" QuietUninstallString)" "\"$dir\\Uninstall.exe\" /S"
    expect_eq InstallLocation "$(reg_get $view "$UNINST" InstallLocation)" "$dir"

    wine_to "$work/probe.out" "$KESTRUNE_PROBE" "$cpl" || fail "cpl_probe: $(tr -d '\r' <"$work/probe.out")"
    expect_eq "the applet's answer" "$(tr -d '\r' <"$work/probe.out")" "CPL_GETCOUNT 1"
    note "$cpl loads and answers CPL_GETCOUNT 1"
}

# Runs the registered uninstall command as Add/Remove Programs would. The
# uninstaller copies itself to a temporary folder and starts that copy, so
# wait for the whole prefix to go quiet.
uninstall() { # UninstallString | QuietUninstallString
    command=$(reg_get $view "$UNINST" "$1") || fail "no $1"
    exe=$(printf '%s' "$command" | sed -n 's/^"\([^"]*\)".*/\1/p')
    args=$(printf '%s' "$command" | sed -n 's/^"[^"]*" *//p')
    [ "$1" = UninstallString ] && args="/S"
    note "uninstall: $exe $args"
    # shellcheck disable=SC2086
    wine_to "$work/uninstall.out" "$exe" $args || fail "the uninstaller exited with $?"
    wineserver -w
}

expect_settings_kept() {
    cmp -s "$SETTINGS_INI" "$WINEPREFIX.work/orvexd.ini" || fail "orvexd.ini changed"
}

case "$step" in
prefix)
    WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX" "$WINEPREFIX.work" "$WINEPREFIX.failed" "$WINEPREFIX.boot.log" \
        "$WINEPREFIX.settings.reg" "$log"
    mkdir -p "$WINEPREFIX.work/$step"
    "$KESTRUNE_WINE_PREFIX" >>"$log" 2>&1 </dev/null || fail "could not make the prefix"
    mkdir -p "$(dirname "$SETTINGS_INI")"
    printf '[Device Name]\r\n0=Studio A\r\n[IP Address]\r\n0=3232235777\r\n' >"$SETTINGS_INI"
    cp "$SETTINGS_INI" "$WINEPREFIX.work/orvexd.ini"
    expect_nothing_of_ours
    note "made a $KESTRUNE_WINDOWS prefix"
    exit 0
    ;;
stop)
    wineserver -k >/dev/null 2>&1 || true
    if [ -e "$failed" ]; then
        note "a step failed: the prefix stays for a look, $WINEPREFIX (Wine's output: $log)"
    else
        rm -rf "$WINEPREFIX" "$WINEPREFIX.work" "$WINEPREFIX.lock" "$WINEPREFIX.boot.log" \
            "$WINEPREFIX.settings.reg"
    fi
    exit 0
    ;;
esac

[ -f "$WINEPREFIX/.kestrune-ready" ] || fail "no prefix: run the prefix step first"
rm -rf "$work"
mkdir -p "$work"
trap 'status=$?; [ $status -eq 0 ] || touch "$failed"' EXIT

case "$step" in
install)
    expect_nothing_of_ours
    snapshot before
    install
    expect_installed "$DEFAULT_DIR"
    uninstall UninstallString
    expect_nothing_of_ours
    expect_settings_kept
    snapshot after
    expect_same_snapshot before after
    note "the uninstall left the prefix as it was"
    ;;
upgrade)
    expect_nothing_of_ours
    snapshot before
    install
    expect_installed "$DEFAULT_DIR"
    snapshot first
    install
    expect_installed "$DEFAULT_DIR"
    snapshot second
    expect_same_snapshot first second
    note "the second install left the same files and values as the first"
    # An upgrade into another folder moves the one set there.
    install '/D=C:\KestruneMoved'
    expect_installed 'C:\KestruneMoved'
    [ ! -e "$(unix_path "$DEFAULT_DIR")" ] || fail "the old install folder is still there"
    uninstall UninstallString
    expect_nothing_of_ours
    expect_settings_kept
    snapshot after
    expect_same_snapshot before after
    ;;
ini-beside)
    expect_nothing_of_ours
    install
    expect_installed "$DEFAULT_DIR"
    dir=$(unix_path "$DEFAULT_DIR")
    printf '[Device Name]\r\n0=Beside the applet\r\n' >"$dir/orvexd.ini"
    cp "$dir/orvexd.ini" "$work/orvexd.ini"
    uninstall QuietUninstallString
    expect_eq "the install folder" "$(ls -A "$dir" | tr '\n' ' ')" "orvexd.ini "
    cmp -s "$dir/orvexd.ini" "$work/orvexd.ini" || fail "the orvexd.ini beside the applet changed"
    ! reg_get $view "$CPLS" Kestrune >/dev/null || fail "the Cpls value is still there"
    ! reg_has_key $view "$UNINST" || fail "the uninstall key is still there"
    expect_settings_kept
    note "orvexd.ini and its folder survived the uninstall"
    rm "$dir/orvexd.ini"
    rmdir "$dir"
    expect_nothing_of_ours
    ;;
*)
    fail "no step $step"
    ;;
esac
note passed
