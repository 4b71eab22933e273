#!/bin/sh
# The signed release end to end: with a throwaway root and code-signing leaf,
# builds the shipped files signed in trees of its own (kept for the next
# run; a new chain starts afresh). Each shipped file and each file that the
# packages hold must carry an SHA-256 signature by the leaf that verifies
# against the root, a changed byte must fail, the signed applets must pass
# the library test (the i686 one the real host's too), and the unsigned
# trees' files must carry no signature. Built again without the certificate,
# from the signatures the signed build kept, every shipped file is the same.
# Environment (from CTest): KESTRUNE_SOURCE, KESTRUNE_WORK (this test's
# folder), KESTRUNE_VERSION, KESTRUNE_UNSIGNED (the unsigned i686 and x86_64
# trees; empty when they sign), KESTRUNE_APPLET_TESTS_<arch> (the library
# test program); KESTRUNE_NO_WIN32 set where 32-bit programs cannot run.
set -eu
: "${KESTRUNE_SOURCE:?}" "${KESTRUNE_WORK:?}" "${KESTRUNE_VERSION:?}"
: "${KESTRUNE_APPLET_TESTS_i686:?}" "${KESTRUNE_APPLET_TESTS_x86_64:?}"
work=$KESTRUNE_WORK chain=$KESTRUNE_WORK/chain out=$KESTRUNE_WORK/out
. "$KESTRUNE_SOURCE/tests/support/shell-support.sh"
. "$KESTRUNE_SOURCE/scripts/wine-loader.sh"

# The files that an i686 tree $1 and an x86_64 tree $2 ship.
shipped() {
    printf '%s\n' "$1/Kestrune.cpl" "$1/installer/seed/SeedSettings.dll" "$2/Kestrune.cpl" \
        "$2/installer/seed/SeedSettings.dll" "$2/Kestrune-$KESTRUNE_VERSION-setup.exe" \
        "$2/Kestrune-$KESTRUNE_VERSION-x86.msi" "$2/Kestrune-$KESTRUNE_VERSION-x64.msi"
}

if [ ! -f "$chain/leaf.p12" ]; then
    note "making a throwaway root and code-signing leaf"
    rm -rf "$chain" "$work/i686" "$work/x86_64" "$work/signatures"
    mkdir -p "$chain"
    printf '%s\n' "[req]" "distinguished_name = dn" "[dn]" "[root]" "basicConstraints = critical, CA:true" \
        "keyUsage = critical, keyCertSign" "[leaf]" "basicConstraints = critical, CA:false" \
        "keyUsage = critical, digitalSignature" "extendedKeyUsage = codeSigning" >"$chain/ext.cnf"
    (
        cd "$chain"
        openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 3650 \
            -subj "/CN=Kestrune Test Root" -config ext.cnf -extensions root
        openssl req -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr -subj "/CN=Kestrune Test Signer" -config ext.cnf
        openssl x509 -req -in leaf.csr -CA root.pem -CAkey root.key -CAcreateserial -days 3650 \
            -extfile ext.cnf -extensions leaf -out leaf.pem
        date +"throwaway %s" >password
        openssl pkcs12 -export -inkey leaf.key -in leaf.pem -passout file:password -out leaf.p12
    ) >"$work/chain.log" 2>&1 || { cat "$work/chain.log"; exit 1; }
fi
leaf_serial=$(openssl x509 -in "$chain/leaf.pem" -noout -serial | sed 's/^serial=//')

# Builds the shipped files in the trees <$1>i686 and <$1>x86_64, with the
# signing options after it. They are made again each run (a link, makensis,
# wixl), so that they show what the build does now.
build_shipped() {
    prefix=$1
    shift
    shipped "${prefix}i686" "${prefix}x86_64" | while IFS= read -r f; do rm -f "$f"; done
    for arch in i686 x86_64; do
        log="${prefix}build-$arch.log"
        [ "$arch" = x86_64 ] && set -- "$@" -DKESTRUNE_I686_BUILD="${prefix}i686"
        { cmake -S "$KESTRUNE_SOURCE" -B "$prefix$arch" -DBUILD_TESTING=OFF \
            -DCMAKE_TOOLCHAIN_FILE="$KESTRUNE_SOURCE/cmake/toolchain-$arch.cmake" "$@" &&
            cmake --build "$prefix$arch" -j 2; } >"$log" 2>&1 || { cat "$log"; exit 1; }
    done
}
note "building the shipped files, signed"
build_shipped "$work/" -DKESTRUNE_SIGN_PKCS12="$chain/leaf.p12" -DKESTRUNE_SIGN_PASSWORD_FILE="$chain/password" \
    -DKESTRUNE_SIGN_TIMESTAMP_URL= -DKESTRUNE_SIGN_SIGNATURES="$work/signatures"
note "building them again from the signatures it kept"
build_shipped "$work/again-" -DKESTRUNE_SIGN_PKCS12= -DKESTRUNE_SIGN_PASSWORD_FILE= \
    -DKESTRUNE_SIGN_SIGNATURES="$work/signatures"
shipped "$work/i686" "$work/x86_64" >"$work/signed.list"
shipped "$work/again-i686" "$work/again-x86_64" | paste -d ' ' "$work/signed.list" - >"$work/pairs.list"
while read -r signed again; do
    if cmp -s "$signed" "$again"; then echo "same again: ${again#"$work"/}"; else record_failure "$again differs from $signed"; fi
done <"$work/pairs.list"

# Prints the files that the packages of the x86_64 tree $1 hold, taken out
# into $work/$2, first their names, so that one not taken out fails its
# case. The setup installs into a throwaway 64-bit prefix: its uninstaller
# exists only as the setup writes it.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
"$KESTRUNE_SOURCE/scripts/wine-prefix.sh" >"$work/wine.log" 2>&1
contents() {
    printf "$work/$2/%s\n" x86/Kestrune.cpl x86/SeedSettings.dll x64/Kestrune.cpl x64/SeedSettings.dll
    rm -rf "${WINEPREFIX:?}/drive_c/$2" "${work:?}/$2"
    setup="$1/Kestrune-$KESTRUNE_VERSION-setup.exe"
    if [ -n "${KESTRUNE_NO_WIN32:-}" ]; then
        # The setup is a 32-bit program: unpacked, it shows both applets,
        # but only running it writes the uninstaller.
        printf "$work/$2/setup/%s\n" Kestrune.cpl Kestrune_1.cpl
        unpack_setup "$setup" "$work/$2/setup" >/dev/null || true
    else
        printf "$work/$2/setup/%s\n" Uninstall.exe Kestrune.cpl
        "$(program_loader "$setup")" "$setup" /S "/D=C:\\$2" </dev/null >>"$work/wine.log" 2>&1 || true
        wineserver -w
        # The next install moves them into its own folder.
        mkdir -p "$work/$2/setup"
        for f in Uninstall.exe Kestrune.cpl; do cp "$WINEPREFIX/drive_c/$2/$f" "$work/$2/setup/" || true; done
    fi
    for arch in x86 x64; do
        unpack_msi "$1/Kestrune-$KESTRUNE_VERSION-$arch.msi" "$work/$2/$arch" || true
    done
}

# Each case: the signature a file must have. "leaf": SHA-256 by the leaf,
# verifies against the root, signed at the commit's time (no timestamp
# server here), so that a signed release can be built again alike;
# "broken": fails verification; "none": none.
signed_at=$(LC_ALL=C date -u -d "@${SOURCE_DATE_EPOCH:-$(git -C "$KESTRUNE_SOURCE" log -1 --format=%ct)}" '+%b %e %H:%M:%S %Y GMT')
{
    shipped "$work/i686" "$work/x86_64" | sed 's/^/leaf /'
    contents "$work/x86_64" signed | sed 's/^/leaf /'
    # One byte a quarter into the image, which the signature covers.
    for f in "$work/x86_64/Kestrune.cpl" "$work/x86_64/Kestrune-$KESTRUNE_VERSION-setup.exe"; do
        at=$(($(wc -c <"$f") / 4))
        cp "$f" "$f.changed"
        od -An -tu1 -j "$at" -N1 "$f" | LC_ALL=C awk '{ printf "%c", ($1 + 1) % 256 }' |
            dd of="$f.changed" bs=1 seek="$at" conv=notrunc 2>/dev/null
        echo "broken $f.changed"
    done
    if [ -n "${KESTRUNE_UNSIGNED:-}" ]; then
        # shellcheck disable=SC2086
        shipped $KESTRUNE_UNSIGNED | sed 's/^/none /'
        contents "${KESTRUNE_UNSIGNED##* }" unsigned | sed 's/^/none /'
    fi
} >"$work/cases"

note "checking $(wc -l <"$work/cases") files' signatures"
while read -r expected f; do
    got=broken
    if osslsigncode verify -CAfile "$chain/root.pem" -in "$f" >"$out" 2>&1; then
        signer=$(awk '/^Signer.s certificate:/ { s = 1 } s && /Serial :/ { print $3; exit }' "$out")
        grep -q '^Message digest algorithm *: SHA256' "$out" && [ "$signer" = "$leaf_serial" ] &&
            grep -qx "[[:space:]]*Signing time: $signed_at" "$out" && got=leaf
    elif grep -Eq '^(No signature found|MSI file has no signature)' "$out"; then
        got=none
    fi
    if [ "$got" = "$expected" ]; then echo "$got: ${f#"$work"/}"; else record_failure "$f: $got, not $expected: $(cat "$out")"; fi
done <"$work/cases"

for arch in x86_64 i686; do
    if [ "$arch" = i686 ] && [ -n "${KESTRUNE_NO_WIN32:-}" ]; then
        note "i686: no library test, this machine runs no 32-bit programs"
        continue
    fi
    note "$arch: the library test on the signed Kestrune.cpl"
    program=$KESTRUNE_APPLET_TESTS_x86_64
    [ "$arch" = i686 ] && program=$KESTRUNE_APPLET_TESTS_i686
    if KESTRUNE_CPL="$work/$arch/Kestrune.cpl" "$KESTRUNE_SOURCE/scripts/wine-run.sh" "$program" \
        </dev/null >"$out" 2>&1; then
        grep -E '^\[  PASSED  \]' "$out"
    else
        record_failure "$arch: the library test fails on the signed applet: $(tail -20 "$out")"
    fi
done
# The product in the real host, as the i686 tree's host test runs it.
if [ -z "${KESTRUNE_NO_WIN32:-}" ]; then
    note "i686: the signed Kestrune.cpl in Wine's control.exe"
    if sh "$KESTRUNE_SOURCE/tests/host/control-panel-test.sh" "$work/i686/Kestrune.cpl" "$work/host-prefix" \
        </dev/null >"$out" 2>&1; then
        grep '^PASS' "$out"
    else
        record_failure "i686: the host test fails: $(tail -20 "$out")"
    fi
fi
wineserver -k >/dev/null 2>&1 || true
note "done, $failures failed"
[ "$failures" -eq 0 ]
