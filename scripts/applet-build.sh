# Sourced by the scripts that show the applet: build_runnable TARGET...
# builds the targets in the tree whose applet this machine can run, the i686
# one (the product) or, where 32-bit programs cannot run
# (scripts/win32-probe.sh), the x86_64 one, and sets $build to that tree and
# $loader to Wine's loader of its word size. Needs $root and wine-loader.sh.
build_runnable() {
    build="$root/build/i686"
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686.cmake" >/dev/null
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "$@" win32_probe
    loader=$wine32_loader
    if ! why=$("$root/scripts/win32-probe.sh" "$build"); then
        echo "The x86_64 build, as the i686 one cannot run here: $why." >&2
        build="$root/build/x86_64"
        cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64.cmake" >/dev/null
        cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "$@"
        loader=$wine64_loader
    fi
}
