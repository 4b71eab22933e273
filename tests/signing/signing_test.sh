#!/bin/sh
# Signed releases, end to end: makes a throwaway code-signing chain (a root
# and a leaf for code signing), builds the shipped files with the leaf in
# build trees of its own, and checks that
#   - each shipped file, and the uninstaller the setup writes, verifies
#     against that root with an SHA-256 signature by that leaf;
#   - a byte changed in a signed file fails verification;
#   - the signed applet of each architecture passes the library test;
#   - the unsigned trees' files carry no signature at all.
# The chain and the trees stay for the next run, which then builds only what
# changed; a new chain starts them afresh.
#
# Environment (set by CTest):
#   KESTRUNE_SOURCE     the source folder
#   KESTRUNE_WORK       this test's folder: chain, signed trees, Wine prefix
#   KESTRUNE_VERSION    the project's version
#   KESTRUNE_UNSIGNED   the unsigned i686 and x86_64 trees, blank-separated;
#                       empty when they sign
#   KESTRUNE_APPLET_TESTS_i686, KESTRUNE_APPLET_TESTS_x86_64
#                       the library test program of each architecture
#   KESTRUNE_RUN_I686   0 where this machine cannot run 32-bit programs
set -eu
: "${KESTRUNE_SOURCE:?}" "${KESTRUNE_WORK:?}" "${KESTRUNE_VERSION:?}"
: "${KESTRUNE_APPLET_TESTS_i686:?}" "${KESTRUNE_APPLET_TESTS_x86_64:?}"
work=$KESTRUNE_WORK
chain=$work/chain
out=$work/out
started=$(date +%s)
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
note() { echo "[$(($(date +%s) - started)) s] $*"; }

# The files a pair of trees ships, i686 tree then x86_64 tree.
shipped() {
    echo "$1/Kestrune.cpl"
    echo "$1/installer/seed/SeedSettings.dll"
    echo "$2/Kestrune.cpl"
    echo "$2/installer/seed/SeedSettings.dll"
    echo "$2/Kestrune-$KESTRUNE_VERSION-setup.exe"
    echo "$2/Kestrune-$KESTRUNE_VERSION-x86.msi"
    echo "$2/Kestrune-$KESTRUNE_VERSION-x64.msi"
}

# The chain, made once: a fresh one invalidates every signed file.
if [ ! -f "$chain/leaf.p12" ]; then
    note "making a throwaway root and code-signing leaf"
    rm -rf "$chain" "$work/i686" "$work/x86_64"
    mkdir -p "$chain"
    cat >"$chain/ext.cnf" <<'EOF'
[req]
distinguished_name = name
[name]
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[leaf]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
    (
        cd "$chain"
        openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 3650 \
            -subj "/CN=Kestrune Test Root" -config ext.cnf -extensions root
        openssl req -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr \
            -subj "/CN=Kestrune Test Signer" -config ext.cnf
        openssl x509 -req -in leaf.csr -CA root.pem -CAkey root.key -CAcreateserial -days 3650 \
            -extfile ext.cnf -extensions leaf -out leaf.pem
        printf 'throwaway %s\n' "$(date +%s)" >password
        openssl pkcs12 -export -inkey leaf.key -in leaf.pem -passout file:password -out leaf.p12
    ) >"$work/chain.log" 2>&1 || { cat "$work/chain.log"; exit 1; }
fi
leaf_serial=$(openssl x509 -in "$chain/leaf.pem" -noout -serial | sed 's/^serial=//')

note "building the shipped files, signed"
for arch in i686 x86_64; do
    set -- -DCMAKE_TOOLCHAIN_FILE="$KESTRUNE_SOURCE/cmake/toolchain-$arch.cmake" -DBUILD_TESTING=OFF \
        -DKESTRUNE_SIGN_PKCS12="$chain/leaf.p12" -DKESTRUNE_SIGN_PASSWORD_FILE="$chain/password" \
        -DKESTRUNE_SIGN_TIMESTAMP_URL=
    [ "$arch" = x86_64 ] && set -- "$@" -DKESTRUNE_I686_BUILD="$work/i686"
    { cmake -S "$KESTRUNE_SOURCE" -B "$work/$arch" "$@" && cmake --build "$work/$arch" -j 2; } \
        >"$work/build-$arch.log" 2>&1 || { cat "$work/build-$arch.log"; exit 1; }
done
grep -h -- '-- .*[Ss]igning' "$work/build-i686.log" "$work/build-x86_64.log" | sort -u

# The uninstaller exists only as the setup writes it: install into a
# throwaway prefix (64-bit Windows) and take it from there.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
"$KESTRUNE_SOURCE/scripts/wine-prefix.sh" >"$work/wine.log" 2>&1
# add_uninstaller LIST SETUP NAME: installs SETUP into C:\NAME, and adds the
# uninstaller it wrote there to the file LIST.
add_uninstaller() {
    rm -rf "${WINEPREFIX:?}/drive_c/$3"
    wine "$2" /S "/D=C:\\$3" </dev/null >>"$work/wine.log" 2>&1 || fail "$2 /S exited with $?"
    wineserver -w
    cp "$WINEPREFIX/drive_c/$3/Uninstall.exe" "$work/$3-Uninstall.exe" &&
        echo "$work/$3-Uninstall.exe" >>"$1" || fail "$2 wrote no C:\\$3\\Uninstall.exe"
}
shipped "$work/i686" "$work/x86_64" >"$work/signed-files"
note "installing the signed setup for its uninstaller"
add_uninstaller "$work/signed-files" "$work/x86_64/Kestrune-$KESTRUNE_VERSION-setup.exe" signed

note "verifying the signed files against the root"
# verifies FILE: it verifies against the root, and its signer is the leaf.
verifies() {
    osslsigncode verify -CAfile "$chain/root.pem" -in "$1" >"$out" 2>&1 || return 1
    grep -q '^Signature verification: ok' "$out" || return 1
    grep -q '^Message digest algorithm *: SHA256' "$out" || return 1
    signer=$(awk '/^Signer.s certificate:/ { s = 1 } s && /Serial :/ { print $3; exit }' "$out")
    [ "$signer" = "$leaf_serial" ] || { echo "signed by $signer, not the leaf $leaf_serial" >>"$out"; return 1; }
}
while IFS= read -r f; do
    if verifies "$f"; then
        echo "signed by the leaf: ${f#"$work"/}"
    else
        fail "$f: $(cat "$out")"
    fi
done <"$work/signed-files"

note "changing one byte of signed files"
# One byte a quarter into each: inside the image or the database, which the
# signature covers.
for f in "$work/x86_64/Kestrune.cpl" "$work/x86_64/Kestrune-$KESTRUNE_VERSION-setup.exe"; do
    cp "$f" "$work/tampered"
    at=$(($(wc -c <"$f") / 4))
    byte=$(od -An -tu1 -j "$at" -N1 "$f" | tr -d ' ')
    printf "\\$(printf '%03o' $(((byte + 1) % 256)))" |
        dd of="$work/tampered" bs=1 seek="$at" conv=notrunc 2>/dev/null
    ! cmp -s "$f" "$work/tampered" || fail "no byte changed in the copy of $f"
    if verifies "$work/tampered"; then
        fail "$f with byte $at changed still verifies"
    else
        echo "fails verification with byte $at changed: ${f#"$work"/}"
    fi
done

# Each signed applet: the unsigned one's exports and imports, and the
# library test passes on it.
for arch in x86_64 i686; do
    if [ -n "${KESTRUNE_UNSIGNED:-}" ]; then
        # shellcheck disable=SC2086
        set -- $KESTRUNE_UNSIGNED
        [ "$arch" = i686 ] || shift
        for build in "unsigned $1" "signed $work/$arch"; do
            "$arch-w64-mingw32-objdump" -p "${build#* }/Kestrune.cpl" |
                grep -E 'DLL Name:|^\s+\[ *[0-9]+\] [A-Za-z_]' >"$work/${build%% *}-$arch.table" ||
                fail "${build#* }/Kestrune.cpl: no imports or exports"
        done
        if diff "$work/unsigned-$arch.table" "$work/signed-$arch.table" >"$out"; then
            echo "$arch: the same exports and imported DLLs as unsigned: $(tr -s '\t\n' '  ' <"$work/signed-$arch.table")"
        else
            fail "$arch: the signed applet's exports or imports differ: $(cat "$out")"
        fi
    fi
    if [ "$arch" = i686 ] && [ "${KESTRUNE_RUN_I686:-1}" = 0 ]; then
        note "i686: the library test not run, this machine runs no 32-bit programs"
        continue
    fi
    note "$arch: the library test on the signed Kestrune.cpl"
    eval program=\$KESTRUNE_APPLET_TESTS_$arch
    if KESTRUNE_CPL="$work/$arch/Kestrune.cpl" "$KESTRUNE_SOURCE/scripts/wine-run.sh" "$program" \
        </dev/null >"$work/applet-$arch.log" 2>&1; then
        grep -E '^\[  PASSED  \]' "$work/applet-$arch.log" || true
    else
        fail "$arch: the library test failed on the signed applet: $(tail -20 "$work/applet-$arch.log")"
    fi
done

if [ -n "${KESTRUNE_UNSIGNED:-}" ]; then
    note "the unsigned build: no signature anywhere"
    # shellcheck disable=SC2086
    shipped $KESTRUNE_UNSIGNED >"$work/unsigned-files"
    add_uninstaller "$work/unsigned-files" "${KESTRUNE_UNSIGNED##* }/Kestrune-$KESTRUNE_VERSION-setup.exe" unsigned
    while IFS= read -r f; do
        if osslsigncode extract-signature -in "$f" -out "$work/signature" >"$out" 2>&1; then
            fail "$f carries a signature"
        elif grep -Eq 'No signature found|has no signature' "$out"; then
            echo "no signature: $f"
        else
            fail "$f cannot be read: $(cat "$out")"
        fi
    done <"$work/unsigned-files"
else
    note "this tree signs: no unsigned build to check"
fi
wineserver -k >/dev/null 2>&1 || true

note "done, $failures failed"
[ "$failures" -eq 0 ]
