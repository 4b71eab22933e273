#!/bin/sh
# Builds a release of the checked-out commit into OUTDIR: both applets, the
# setup, both MSI packages, build-info.txt (the commit and the Debian
# packages that built it) and SHA256SUMS of all of them. Anyone can build
# the same commit again and get the same bytes (README, "Verifying a
# release"). Signs what it ships when the signing variables are set (README,
# "Signing a release"), and then keeps the signatures in OUTDIR/signatures,
# from which KESTRUNE_SIGN_SIGNATURES builds the signed release again
# without the certificate. Installs what is missing first.
# Usage: release.sh OUTDIR   (made if missing; must hold no files)
set -eu
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
mkdir -p "$1"
out=$(cd "$1" && pwd)
[ -z "$(ls -A "$out")" ] || { echo "$out is not empty" >&2; exit 2; }
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh

# Assigned first, so that a git that cannot read the checkout stops it here.
changes=$(git status --porcelain --untracked-files=no)
if [ -n "$changes" ]; then
    echo "The checkout has uncommitted changes: a release is built from a commit." >&2
    exit 1
fi
commit=$(git rev-parse HEAD)
# Every time a tool writes is the commit's.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
version=$(sed -n 's/^project(Kestrune VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# CMake would add these to every compile and link.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS RCFLAGS

# Fresh build folders, only what ships (no tests).
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
if [ -n "${KESTRUNE_SIGN_PKCS12:-}" ] && [ -z "${KESTRUNE_SIGN_SIGNATURES:-}" ]; then
    KESTRUNE_SIGN_SIGNATURES=$work/signatures
    export KESTRUNE_SIGN_SIGNATURES
fi
for arch in i686 x86_64; do
    echo "== release $version: $arch"
    set -- -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    [ "$arch" = x86_64 ] && set -- "$@" -DKESTRUNE_I686_BUILD="$work/i686"
    { cmake -S "$root" -B "$work/$arch" "$@" && cmake --build "$work/$arch" -j "$(nproc 2>/dev/null || echo 2)"; } \
        >"$work/$arch.log" 2>&1 || { cat "$work/$arch.log" >&2; exit 1; }
done

cp "$work/i686/Kestrune.cpl" "$out/Kestrune-$version-x86.cpl"
cp "$work/x86_64/Kestrune.cpl" "$out/Kestrune-$version-x64.cpl"
for f in setup.exe x86.msi x64.msi; do
    cp "$work/x86_64/Kestrune-$version-$f" "$out/"
done
if [ -n "${KESTRUNE_SIGN_SIGNATURES:-}" ]; then
    mkdir "$out/signatures"
    cp "$KESTRUNE_SIGN_SIGNATURES"/*.p7 "$out/signatures/"
fi
{
    echo "Kestrune $version"
    echo "commit $commit"
    echo "commit time $SOURCE_DATE_EPOCH ($(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%dT%H:%M:%SZ))"
    echo "built on Debian with:"
    dpkg-query -W -f='  ${Package} ${Version}\n' \
        gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix-runtime \
        gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix-runtime \
        binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
        mingw-w64-common mingw-w64-i686-dev mingw-w64-x86-64-dev \
        nsis nsis-common wixl msitools libmsi0 libgcab-1.0-0 libgsf-1-114 osslsigncode cmake
} >"$out/build-info.txt"
(cd "$out" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
echo "== release $version of $commit in $out:"
cat "$out/SHA256SUMS"
