# Sourced by the scripts that show Wine windows on a virtual X display. The
# caller sets $work (a folder for logs and state) and WINEPREFIX first, then
# calls start_xvfb; stop_x_session, run on exit, stops the prefix's
# wineserver and the Xvfb so that nothing holds the caller's output open.
# The screenshot scripts call start_throwaway_session instead, which does all
# of that in a folder of its own. Source wine-loader.sh first.

xvfb_pid=""

# Polls a command every tenth of a second until it succeeds or the seconds run out.
wait_for() {
    seconds=$1
    shift
    tries=$((seconds * 10))
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

# Starts an Xvfb of the given size (WIDTHxHEIGHT) on a display nobody uses and
# exports DISPLAY. Xvfb picks the number and writes it once it accepts clients.
start_xvfb() {
    unset WAYLAND_DISPLAY
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    wait_for 20 test -s "$work/display" || return 1
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
}

stop_x_session() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}

# The last lines of every log the session wrote, on standard error.
show_logs() {
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")" >&2; tail -n 20 "$log" >&2; }
    done
    return 0
}

# A throwaway folder and Wine prefix (drawing on X) on a fresh Xvfb of the
# given size; all of it goes on exit, unless KEEP_WORK=1 keeps the folder for
# a look. No window manager runs there, so Wine draws captions and frames
# itself, into each window's own X window. Needs $root, the project folder.
start_throwaway_session() {
    work=$(mktemp -d)
    export WINEPREFIX="$work/wineprefix"
    export WINEDEBUG=-all
    trap 'stop_x_session; [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM
    if ! start_xvfb "$1"; then
        echo "Xvfb did not start" >&2
        exit 1
    fi
    KESTRUNE_WINE_GRAPHICS=x11 "$root/scripts/wine-prefix.sh"
    "$(prefix_loader)" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >"$work/reg.log" 2>&1
}
