#!/bin/sh
# The installers' tests under Wine, headless, in a throwaway prefix of their
# own: one step per call, run by CTest in this order (tests/installer/CMakeLists.txt):
#   prefix      make a fresh prefix, with a settings file orvexd.ini in
#               C:\ProgramData\VORMEL\ORVEXDRIVER as a user's machine has
#   install     silent install: the applet is where the Cpls value says, in
#               the right registry view, and loads and answers CPL_GETCOUNT
#               with 1; its shell properties (category, canonical name,
#               application id, task links) are there, named after that
#               path, and its task links file names the same application id
#               and the applet's own strings; the silent uninstall leaves
#               nothing of ours behind
#   upgrade     installing over an install keeps one set of files and values
#   ini-beside  an orvexd.ini beside the installed applet survives the
#               uninstall, and so does its folder
#   nsis-seed   /SETTINGS=<file> seeds the settings folder (see seed_cases)
#   nsis-contents  the setup, unpacked without running it (7-Zip reads
#               NSIS archives), carries exactly the two builds of the applet
#   msi-install the MSI package of this Windows: as install, through msiexec
#   msi-upgrade the next release's package replaces this one
#   msi-seed    SETTINGSFILE=<file> seeds the settings folder (see seed_cases)
#   msi-x86     on 64-bit Windows the x86 package refuses to install
#   msi-refuses the MSI refuses while the NSIS setup's product is installed,
#               and the other way round
#   stop        stop the prefix's wineserver; delete the prefix unless a step
#               failed (Wine's output stays in <prefix>.log)
# Each install step starts and ends with nothing of ours in the prefix, and
# ends with the settings file byte-identical. Windows Installer's own
# bookkeeping (C:\windows\Installer, CurrentVersion\Installer) is not ours.
#
# Environment (set by CTest):
#   WINEPREFIX            the prefix
#   KESTRUNE_WINDOWS      win64, or win32 for a 32-bit prefix (WINEARCH=win32)
#   KESTRUNE_SETUP        the installer
#   KESTRUNE_PROBE        cpl_probe.exe built for that Windows
#   KESTRUNE_EXPECTED_CPL the Kestrune.cpl build that Windows must get
#   KESTRUNE_CPL_X86, KESTRUNE_CPL_X64  the two builds
#   KESTRUNE_VERSION      the project's version
#   KESTRUNE_WINE_PREFIX  scripts/wine-prefix.sh (wine-loader.sh beside it)
#   KESTRUNE_MSI          the MSI package for that Windows
#   KESTRUNE_MSI_NEXT     the same, as the next release (version + 0.0.0.1)
#   KESTRUNE_MSI_X86      the x86 package
#   KESTRUNE_APP_ID       the applet's System.Software.AppId, without braces
set -eu
step=${1:?usage: installer_test.sh STEP (see above)}
: "${WINEPREFIX:?}" "${KESTRUNE_WINDOWS:?}" "${KESTRUNE_SETUP:?}" "${KESTRUNE_PROBE:?}"
: "${KESTRUNE_EXPECTED_CPL:?}" "${KESTRUNE_VERSION:?}" "${KESTRUNE_WINE_PREFIX:?}"
: "${KESTRUNE_MSI:?}" "${KESTRUNE_MSI_NEXT:?}" "${KESTRUNE_MSI_X86:?}" "${KESTRUNE_APP_ID:?}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
[ "$KESTRUNE_WINDOWS" = win32 ] && export WINEARCH=win32
. "$(dirname "$KESTRUNE_WINE_PREFIX")/wine-loader.sh"
test_name="$KESTRUNE_WINDOWS $step"
. "$(dirname "$0")/../support/shell-support.sh"

# Wine's own output, and its background processes' (which would keep CTest
# waiting on our output), goes to this log; program output to files.
log="$WINEPREFIX.log"
work="$WINEPREFIX.work/$step"
failed="$WINEPREFIX.failed"
drive_c="$WINEPREFIX/drive_c"

CPLS='HKLM\Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls'
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrune'
UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
EXT_PROPS='HKLM\Software\Microsoft\Windows\CurrentVersion\Control Panel\Extended Properties'
APP_NAME=Vormel.OrvexNetworkDriver
DEFAULT_DIR='C:\Program Files\Kestrune'
SETTINGS_INI="$drive_c/ProgramData/VORMEL/ORVEXDRIVER/orvexd.ini"
if [ "$KESTRUNE_WINDOWS" = win64 ]; then
    view=64 other_view=32
else
    view=32 other_view=""   # 32-bit Windows has one registry view
fi

# wine_to FILE PROGRAM ARGS...: runs a Windows program, its output to FILE.
# The 64-bit loader hands a 32-bit program in a 64-bit prefix on to the
# 32-bit one.
wine_to() {
    out=$1
    shift
    echo ">> wine $*" >>"$log"
    "$(prefix_loader)" "$@" </dev/null >"$out" 2>>"$log"
}

# wine_status OUT PROGRAM ARGS...: as wine_to, and sets $status to the
# program's whole exit code (Wine's own is cut to 8 bits: 1603 gives 67). A
# batch file waits for the program and prints the code.
wine_status() {
    out=$1
    shift
    wine_to "$out" cmd /c "$(zpath "$WINEPREFIX.work/status.cmd")" "$@" || true
    status=$(tr -d '\r' <"$out" | sed -n 's/^exit code //p')
    [ -n "$status" ] || fail "no exit code from $*"
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
# reg_value VIEW KEY NAME: prints "TYPE DATA"; fails when it is not there.
# The name may hold blanks and backslashes (a path).
reg_value() {
    wine_to "$work/reg.out" reg query "$2" /v "$3" "/reg:$1" || return 1
    tr -d '\r' <"$work/reg.out" | name=$3 awk -F '    ' '$2 == ENVIRON["name"] { print $3 " " $4 }'
}
# reg_count_ours VIEW KEY: how many of the key's values name a path of ours.
reg_count_ours() {
    reg_has_key "$@" || { echo 0; return; }
    tr -d '\r' <"$work/reg.out" | grep -i kestrune | grep -c '    REG_'
}
reg_add() { # VIEW KEY NAME TYPE DATA
    wine_to "$work/reg.out" reg add "$2" /v "$3" /t "$4" /d "$5" /f "/reg:$1" || fail "reg add $2 $3 failed"
}

expect_eq() { # WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1 is '$2', expected '$3'"
}

# Nothing the installer makes is in the prefix: no file, no folder, no value.
expect_nothing_of_ours() {
    for v in $view $other_view; do
        ! reg_has_key "$v" "$CPLS" || fail "the Cpls key is there (/reg:$v)"
        ! reg_has_key "$v" "$UNINST" || fail "the uninstall key is there (/reg:$v)"
        for code in $msi_products; do
            ! reg_has_key "$v" "$UNINSTALL\\$code" || fail "the MSI product $code is there (/reg:$v)"
        done
        # Keys of Windows' own items may stay; no value of ours.
        if wine_to "$work/reg.out" reg query "$EXT_PROPS" /s "/reg:$v"; then
            ! grep -qi kestrune "$work/reg.out" ||
                fail "a shell property is there (/reg:$v): $(grep -i kestrune "$work/reg.out")"
        fi
    done
    for d in "Program Files/Kestrune" "Program Files (x86)/Kestrune" "Kestrune&Moved"; do
        [ ! -e "$drive_c/$d" ] || fail "C:/$d is there: $(ls -A "$drive_c/$d" | tr '\n' ' ')"
    done
}

# A snapshot of what an installer can touch: the files of drive C: (less the
# temporary folders) and the CurrentVersion keys of both registry views, less
# Windows Installer's bookkeeping.
snapshot() {
    (cd "$drive_c" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune \
        -o -path ./windows/Installer -prune -o -print | LC_ALL=C sort) >"$work/$1.files"
    for v in 32 64; do
        wine_to "$work/reg.out" reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion' \
            "$(zpath "$work/reg.reg")" /y "/reg:$v" || fail "reg export failed"
        iconv -f UTF-16 -t UTF-8 "$work/reg.reg" | tr -d '\r' |
            awk '/^\[/ { skip = /\\CurrentVersion\\Installer[]\\]/ } !skip' >"$work/$1.$v.reg"
    done
}
expect_same_snapshot() { # BEFORE AFTER
    diff "$work/$1.files" "$work/$2.files" || fail "files differ between $1 and $2"
    for v in 32 64; do
        diff "$work/$1.$v.reg" "$work/$2.$v.reg" || fail "registry (/reg:$v) differs between $1 and $2"
    done
}

install() { # ARGS...
    note "install $*"
    wine_to "$work/setup.out" "$KESTRUNE_SETUP" /S "$@" || fail "the installer exited with $?"
}

# The shell properties of the applet at CPL, each a value named after that
# path in a key of its own: property, type, data.
shell_properties() { # CPL
    printf '%s\n' \
        "System.ControlPanel.Category|REG_DWORD|0x2" \
        "System.ApplicationName|REG_SZ|$APP_NAME" \
        "System.Software.AppId|REG_SZ|{$KESTRUNE_APP_ID}" \
        "System.Software.TasksFileUrl|REG_SZ|${1%\\*}\\KestruneTasks.xml"
}

# Each property of the applet at CPL is there, as the one value of its key,
# in the matching view only.
expect_shell_properties() { # CPL
    shell_properties "$1" >"$work/properties"
    while IFS='|' read -r property type data; do
        key="$EXT_PROPS\\$property"
        expect_eq "$property" "$(reg_value $view "$key" "$1")" "$type $data"
        expect_eq "values of ours in $property" "$(reg_count_ours $view "$key")" 1
        [ -z "$other_view" ] || ! reg_has_key $other_view "$key" || fail "$property in the 32-bit view"
    done <"$work/properties"
}

# Others' values in the keys the installers write to, which an install and
# an uninstall must leave as they are: Windows' own items in each shell
# property (added before an install, so the snapshots hold them), and a
# Control Panel item registered after ours (checked after the uninstall,
# then taken away with its key, which was ours).
OTHER_CPL='C:\windows\system32\other.cpl'
others_values() { # windows-items | other-item | check-other-item | remove
    case $1 in
    windows-items)
        shell_properties "$OTHER_CPL" | while IFS='|' read -r property type data; do
            reg_add $view "$EXT_PROPS\\$property" "$OTHER_CPL" REG_SZ windows
        done ;;
    other-item) reg_add $view "$CPLS" Other REG_EXPAND_SZ "$OTHER_CPL" ;;
    check-other-item)
        expect_eq "another program's Cpls value" "$(reg_value $view "$CPLS" Other)" "REG_EXPAND_SZ $OTHER_CPL"
        wine_to "$work/reg.out" reg delete "$CPLS" /f "/reg:$view" ;;
    remove) wine_to "$work/reg.out" reg delete "$EXT_PROPS" /f "/reg:$view" ;;
    esac
}

# The task links file beside the applet at CPL: well-formed, in Control
# Panel's namespace, naming the application id of the registry; its one task
# opens the applet by its canonical name, under Hardware and Sound, and its
# name and keywords are strings of that applet, as the shell loads them, in
# each of its languages.
expect_task_links() { # CPL
    xml=$(unix_path "${1%\\*}\\KestruneTasks.xml")
    xmllint --noout "$xml" 2>"$work/xmllint.out" || fail "KestruneTasks.xml is not well-formed: $(cat "$work/xmllint.out")"
    app="/*[local-name()='applications']/*[local-name()='application']"
    task="$app/*[local-name()='task']"
    for check in \
        "namespace-uri(/*)|http://schemas.microsoft.com/windows/cpltasks/v1" \
        "string($app/@id)|{$KESTRUNE_APP_ID}" \
        "count($task)|1" \
        "string($app/*[local-name()='category'][*/@idref = $task/@id]/@id)|2" \
        "substring-after($task/*[local-name()='command'], 'control.exe ')|/name $APP_NAME"; do
        expect_eq "${check%%|*} in KestruneTasks.xml" "$(xmllint --xpath "${check%%|*}" "$xml")" "${check#*|}"
    done
    for element in name keywords; do
        ref=$(xmllint --xpath "string($task/*[local-name()='$element'])" "$xml")
        english=""
        for locale in en_US de_DE fr_FR ja_JP; do
            (unset LC_ALL; export LC_MESSAGES=$locale.UTF-8; wine_to "$work/string.out" "$KESTRUNE_PROBE" --string "$ref") ||
                fail "$ref does not load for $locale: $(cat "$work/string.out")"
            expect_eq "what $ref names" "$(sed -n '1s/\r$//p' "$work/string.out")" "@$1,-${ref##*,-}"
            text=$(sed -n '2s/\r$//p' "$work/string.out")
            [ -n "${english:=$text}" ] && { [ $locale = en_US ] || [ "$text" != "$english" ]; } ||
                fail "the $element is not translated for $locale: '$text'"
        done
    done
    for word in MIDI network device driver; do
        case ";$english;" in *";$word;"*) ;; *) fail "'$word' is not among the keywords '$english'" ;; esac
    done
}

# The applet in DIR (a Windows path), alone with FILES, registered by the
# one Cpls value in the matching view, loads and answers CPL_GETCOUNT 1; its
# shell properties and task links are there.
expect_applet() { # DIR FILES
    dir=$1
    cpl=$(reg_get $view "$CPLS" Kestrune) || fail "no Cpls value Kestrune (/reg:$view)"
    expect_eq "the Cpls value" "$(reg_value $view "$CPLS" Kestrune)" "REG_EXPAND_SZ $dir\\Kestrune.cpl"
    reg_has_key $view "$CPLS"
    expect_eq "values in the Cpls key" "$(tr -d '\r' <"$work/reg.out" | grep -c '    REG_')" 1
    if [ -n "$other_view" ]; then
        ! reg_get $other_view "$CPLS" Kestrune >/dev/null || fail "a Cpls value in the 32-bit view"
        ! reg_has_key $other_view "$UNINST" || fail "an uninstall key in the 32-bit view"
    fi
    expect_eq "the install folder" "$(ls -A "$(unix_path "$dir")" | tr '\n' ' ')" "$2"
    cmp -s "$(unix_path "$cpl")" "$KESTRUNE_EXPECTED_CPL" ||
        fail "$cpl is not $KESTRUNE_EXPECTED_CPL"
    wine_to "$work/probe.out" "$KESTRUNE_PROBE" "$cpl" || fail "cpl_probe: $(tr -d '\r' <"$work/probe.out")"
    expect_eq "the applet's answer" "$(tr -d '\r' <"$work/probe.out")" "CPL_GETCOUNT 1"
    note "$cpl loads and answers CPL_GETCOUNT 1"
    expect_shell_properties "$cpl"
    expect_task_links "$cpl"
    note "its shell properties and task links are there"
}

# Everything an install of the NSIS setup into DIR must have made.
expect_installed() {
    dir=$1
    expect_applet "$dir" "Kestrune.cpl KestruneTasks.xml Uninstall.exe "

    expect_eq DisplayName "$(reg_get $view "$UNINST" DisplayName)" "Orvex Network Driver"
    expect_eq DisplayVersion "$(reg_get $view "$UNINST" DisplayVersion)" "$KESTRUNE_VERSION"
    expect_eq Publisher "$(reg_get $view "$UNINST" Publisher)" "Kestrune"
    expect_eq UninstallString "$(reg_get $view "$UNINST" UninstallString)" "\"$dir\\Uninstall.exe\""
    expect_eq QuietUninstallString "$(reg_get $view "$UNINST" QuietUninstallString)" "\"$dir\\Uninstall.exe\" /S"
    expect_eq InstallLocation "$(reg_get $view "$UNINST" InstallLocation)" "$dir"
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

# The MSI packages: each one's ProductCode, the ProductVersion it shows.
msi_property() { # PACKAGE NAME
    msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"
}
msi_products=""
for package in "$KESTRUNE_MSI" "$KESTRUNE_MSI_NEXT" "$KESTRUNE_MSI_X86"; do
    msi_products="$msi_products $(msi_property "$package" ProductCode)"
done

# msi NAME ARGS...: msiexec ARGS silently, its log in $work/NAME.log; sets $status.
msi() {
    name=$1
    shift
    note "msiexec $*"
    wine_status "$work/$name.out" msiexec "$@" /qn /l*v "$(zpath "$work/$name.log")"
}
msi_install() { # PACKAGE [PROPERTY=VALUE]
    package=$1
    shift
    msi install /i "$(zpath "$package")" "$@"
    expect_eq "msiexec /i's exit code" "$status" 0
}
msi_uninstall() { # PACKAGE
    msi uninstall /x "$(zpath "$1")"
    expect_eq "msiexec /x's exit code" "$status" 0
}

# Everything the install of PACKAGE made, in Add/Remove Programs the one
# product; FILES: what the install folder holds then.
expect_msi_installed() { # PACKAGE [FILES]
    expect_applet "$DEFAULT_DIR" "${2:-Kestrune.cpl KestruneTasks.xml }"
    product=$(msi_property "$1" ProductCode)
    for code in $msi_products; do
        [ "$code" = "$product" ] || ! reg_has_key $view "$UNINSTALL\\$code" ||
            fail "another MSI product, $code, is installed too"
    done
    key="$UNINSTALL\\$product"
    expect_eq DisplayName "$(reg_get $view "$key" DisplayName)" "Orvex Network Driver"
    expect_eq Publisher "$(reg_get $view "$key" Publisher)" "Kestrune"
    expect_eq DisplayVersion "$(reg_get $view "$key" DisplayVersion)" "$(msi_property "$1" ProductVersion)"
}

expect_log() { # FILE TEXT
    grep -aqF "$2" "$1" || fail "no '$2' in $1"
}

# seed_once FILE LOGGED FAULT: installs seeding FILE, after which the settings
# file must be seed.ini (else FAULT) and the log must say LOGGED; uninstalls,
# which keeps the settings file.
seed_once() {
    install_with "$(zpath "$1")"
    expect_eq "the exit code" "$status" 0
    cmp "$SETTINGS_INI" "$work/seed.ini" || fail "$3"
    [ -z "$install_log" ] || expect_log "$install_log" "$2"
    uninstall_with
    expect_nothing_of_ours
    cmp "$SETTINGS_INI" "$work/seed.ini" || fail "the seeded orvexd.ini changed in the uninstall"
}

# The four cases of seeding the settings folder, each from nothing of ours:
# into an empty folder (made when missing), byte-identical; kept after the
# uninstall; an orvexd.ini already there stays as it is; a missing file
# fails with 1603 and installs nothing. The user's own settings are set
# aside meanwhile. install_with PATH sets $status and names its log in
# $install_log ("" when it writes none); uninstall_with takes it away again.
seed_cases() {
    settings=$(dirname "$(dirname "$SETTINGS_INI")") # ...\VORMEL
    mv "$settings" "$work/VORMEL"
    printf '[Device Name]\r\n0=Seeded \351\r\n[IP Address]\r\n0=167772161' >"$work/seed.ini"
    printf '[Device Name]\r\n0=Not this one\r\n' >"$work/other.ini"

    seed_once "$work/seed.ini" "Seeded the settings file" "the seeded orvexd.ini is not the given file"
    note "seeded byte-identical; kept after the uninstall"
    seed_once "$work/other.ini" "exists: kept as it is" "an orvexd.ini already there was overwritten"
    note "an orvexd.ini already there stays"

    rm -r "$settings"
    missing=$(zpath "$work/missing.ini")
    install_with "$missing"
    expect_eq "the exit code with a missing file" "$status" 1603
    [ -z "$install_log" ] || expect_log "$install_log" "cannot be read: $missing"
    expect_nothing_of_ours
    [ ! -e "$settings" ] || fail "the settings folder was made for a missing file"
    note "a missing file fails with 1603 and installs nothing"

    mv "$work/VORMEL" "$settings"
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
    printf '@%%*\r\n@echo exit code %%ERRORLEVEL%%\r\n' >"$WINEPREFIX.work/status.cmd"
    expect_nothing_of_ours
    note "made a $KESTRUNE_WINDOWS prefix"
    exit 0
    ;;
nsis-contents)
    dir="$WINEPREFIX.work/$step"
    why=$(unpack_setup "$KESTRUNE_SETUP" "$dir") || fail "7-Zip cannot unpack the setup: $why"
    expect_eq "the applets in the setup" "$(cd "$dir" && ls Kestrune*.cpl | tr '\n' ' ')" "Kestrune.cpl Kestrune_1.cpl "
    for cpl in "$KESTRUNE_CPL_X86" "$KESTRUNE_CPL_X64"; do
        cmp -s "$cpl" "$dir/Kestrune.cpl" || cmp -s "$cpl" "$dir/Kestrune_1.cpl" || fail "the setup does not carry $cpl"
    done
    note "the setup carries the two builds of the applet"
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
    others_values windows-items
    snapshot before
    install
    expect_installed "$DEFAULT_DIR"
    others_values other-item
    uninstall UninstallString
    others_values check-other-item
    expect_nothing_of_ours
    expect_settings_kept
    snapshot after
    expect_same_snapshot before after
    others_values remove
    note "the uninstall left the prefix as it was, others' values too"
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
    # An upgrade into another folder moves the one set there; its name has
    # a character that XML text must escape.
    install '/D=C:\Kestrune&Moved'
    expect_installed 'C:\Kestrune&Moved'
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
nsis-seed)
    install_with() {
        note "install /SETTINGS=$1"
        wine_status "$work/setup.out" "$KESTRUNE_SETUP" /S "/SETTINGS=$1"
        install_log=""
    }
    uninstall_with() { uninstall QuietUninstallString; }
    seed_cases
    expect_settings_kept
    ;;
msi-install)
    expect_nothing_of_ours
    others_values windows-items
    snapshot before
    msi_install "$KESTRUNE_MSI"
    expect_msi_installed "$KESTRUNE_MSI"
    others_values other-item
    msi_uninstall "$KESTRUNE_MSI"
    others_values check-other-item
    expect_nothing_of_ours
    expect_settings_kept
    snapshot after
    expect_same_snapshot before after
    others_values remove
    note "the uninstall left the prefix as it was, others' values too"
    ;;
msi-upgrade)
    expect_nothing_of_ours
    snapshot before
    msi_install "$KESTRUNE_MSI"
    expect_msi_installed "$KESTRUNE_MSI"
    # An orvexd.ini beside the applet outlives the upgrade and the uninstall.
    folder=$(unix_path "$DEFAULT_DIR")
    printf '[Device Name]\r\n0=Beside the applet\r\n' >"$folder/orvexd.ini"
    cp "$folder/orvexd.ini" "$work/orvexd.ini"
    msi_install "$KESTRUNE_MSI_NEXT"
    expect_msi_installed "$KESTRUNE_MSI_NEXT" "Kestrune.cpl KestruneTasks.xml orvexd.ini "
    note "the next release replaced this one"
    msi_uninstall "$KESTRUNE_MSI_NEXT"
    expect_eq "the install folder" "$(ls -A "$folder" | tr '\n' ' ')" "orvexd.ini "
    cmp -s "$folder/orvexd.ini" "$work/orvexd.ini" || fail "the orvexd.ini beside the applet changed"
    rm "$folder/orvexd.ini"
    rmdir "$folder"
    expect_nothing_of_ours
    snapshot after
    expect_same_snapshot before after
    ;;
msi-seed)
    install_with() {
        msi install /i "$(zpath "$KESTRUNE_MSI")" "SETTINGSFILE=$1"
        install_log="$work/install.log"
    }
    uninstall_with() { msi_uninstall "$KESTRUNE_MSI"; }
    seed_cases
    expect_settings_kept
    ;;
msi-x86)
    expect_nothing_of_ours
    msi x86 /i "$(zpath "$KESTRUNE_MSI_X86")"
    expect_eq "the x86 package's exit code on 64-bit Windows" "$status" 1603
    expect_nothing_of_ours
    msiinfo export "$KESTRUNE_MSI_X86" LaunchCondition >"$work/conditions.idt"
    expect_log "$work/conditions.idt" "On 64-bit Windows install Kestrune-$KESTRUNE_VERSION-x64.msi"
    note "the x86 package refuses 64-bit Windows"
    ;;
msi-refuses)
    expect_nothing_of_ours
    install
    msi msi /i "$(zpath "$KESTRUNE_MSI")"
    expect_eq "msiexec's exit code beside the NSIS setup's product" "$status" 1603
    msiinfo export "$KESTRUNE_MSI" LaunchCondition >"$work/conditions.idt"
    expect_log "$work/conditions.idt" "already installed by its setup program (Kestrune-$KESTRUNE_VERSION-setup.exe)"
    expect_installed "$DEFAULT_DIR"
    uninstall QuietUninstallString
    expect_nothing_of_ours
    note "the MSI refuses while the NSIS setup's product is installed"

    msi_install "$KESTRUNE_MSI"
    note "install (expecting a refusal)"
    wine_status "$work/setup.out" "$KESTRUNE_SETUP" /S
    expect_eq "the setup's exit code beside the MSI product" "$status" 1638
    ! reg_has_key $view "$UNINST" || fail "the NSIS setup installed beside the MSI product"
    expect_msi_installed "$KESTRUNE_MSI"
    msi_uninstall "$KESTRUNE_MSI"
    expect_nothing_of_ours
    expect_settings_kept
    note "the NSIS setup refuses while the MSI product is installed"
    ;;
*)
    fail "no step $step"
    ;;
esac
note passed
