# Sourced by the shell tests: how they report, and how they take the files
# out of the setup and the MSI packages without running them.
# $test_name, when set, heads each line. fail ends the test; record_failure
# counts in $failures and lets it go on.
test_started=$(date +%s)
failures=0
note() { echo "[$(($(date +%s) - test_started)) s] ${test_name:+$test_name: }$*"; }
record_failure() { echo "FAIL${test_name:+ ($test_name)}: $*"; failures=$((failures + 1)); }
fail() {
    record_failure "$@"
    exit 1
}

# unpack_setup SETUP DIR: the NSIS setup's files into DIR, made afresh, by
# 7-Zip, which reads NSIS archives (-aou: the second Kestrune.cpl becomes
# Kestrune_1.cpl). On failure prints 7-Zip's last lines.
unpack_setup() {
    rm -rf "$2"
    mkdir -p "$2"
    7z x -y -aou -o"$2" "$1" >"$2.log" 2>&1 || { tail -n 3 "$2.log"; return 1; }
}

# unpack_msi PACKAGE DIR: the package's applet and custom action DLL as
# DIR/Kestrune.cpl and DIR/SeedSettings.dll, DIR made afresh.
unpack_msi() {
    rm -rf "$2"
    mkdir -p "$2/files"
    msiextract -C "$2/files" "$1" >"$2.log" 2>&1 || return 1
    find "$2/files" -name Kestrune.cpl -exec mv {} "$2/" \;
    msiinfo extract "$1" Binary.SeedSettings >"$2/SeedSettings.dll"
}
