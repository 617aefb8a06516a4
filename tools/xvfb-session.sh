# Shell functions for a virtual X screen with a window manager, sourced by run.sh and the e2e test.
# shellcheck shell=sh
#
# xvfb_session_missing          prints the programs a session needs that are not installed
# xvfb_session_start DIR        starts Xvfb on a free display and openbox on it; exports DISPLAY
# xvfb_session_stop             ends the window manager and the X server that start began
# xvfb_session_wait_window RE T prints the id of a visible window whose name matches RE, waiting
#                               up to T seconds; fails if none shows up
# xvfb_session_wait_gone RE T   waits up to T seconds until no visible window's name matches RE
# xvfb_session_wait_child PID T waits for the shell's child PID to end and returns its exit
#                               status; ends it first if it still runs after T seconds
#
# The caller sets `set -eu` and a trap that calls xvfb_session_stop. The functions keep their
# own variables in names that start with _xs_.

XVFB_SESSION_SCREEN="${XVFB_SESSION_SCREEN:-1024x768x24}"
xvfb_session_xvfb_pid=""
xvfb_session_wm_pid=""

xvfb_session_missing() {
    for _xs_program in Xvfb xdotool openbox; do
        command -v "$_xs_program" >/dev/null 2>&1 || printf '%s ' "$_xs_program"
    done
}

# The step of every waiting loop: a tenth of a second.
xvfb_session_tick() {
    sleep 0.1
}

# xvfb_session_deadline T: the clock time in seconds T seconds from now.
# xvfb_session_before DEADLINE: whether that time is still to come.
xvfb_session_deadline() {
    echo $(($(date +%s) + $1))
}

xvfb_session_before() {
    [ "$(date +%s)" -lt "$1" ]
}

xvfb_session_start() {
    _xs_dir="$1"
    mkdir -p "$_xs_dir"
    _xs_displayfile="$_xs_dir/xvfb-display"
    : >"$_xs_displayfile"
    # -displayfd makes Xvfb choose a free display number itself and write it once it accepts
    # connections, so two sessions never race for the same number.
    Xvfb -displayfd 9 -screen 0 "$XVFB_SESSION_SCREEN" -nolisten tcp -noreset \
        9>"$_xs_displayfile" >"$_xs_dir/xvfb.log" 2>&1 &
    xvfb_session_xvfb_pid=$!
    _xs_deadline=$(xvfb_session_deadline 30)
    while ! grep -q '^[0-9][0-9]*$' "$_xs_displayfile" 2>/dev/null; do
        if ! kill -0 "$xvfb_session_xvfb_pid" 2>/dev/null; then
            echo "Xvfb ended before it was ready; its log:" >&2
            cat "$_xs_dir/xvfb.log" >&2
            xvfb_session_xvfb_pid=""
            return 1
        fi
        if ! xvfb_session_before "$_xs_deadline"; then
            echo "Xvfb did not become ready within 30 seconds" >&2
            return 1
        fi
        xvfb_session_tick
    done
    DISPLAY=":$(cat "$_xs_displayfile")"
    export DISPLAY

    # The window manager gives windows the keyboard focus and closes them on Alt+F4. Its
    # configuration is the system's, not the user's.
    XDG_CONFIG_HOME="$_xs_dir/config" openbox --sm-disable >"$_xs_dir/openbox.log" 2>&1 &
    xvfb_session_wm_pid=$!
    _xs_deadline=$(xvfb_session_deadline 30)
    # openbox announces itself on the root window once it manages the screen.
    until xdotool search --maxdepth 1 --name '^Openbox$' >/dev/null 2>&1 \
        || xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        if ! kill -0 "$xvfb_session_wm_pid" 2>/dev/null; then
            echo "openbox ended before it was ready; its log:" >&2
            cat "$_xs_dir/openbox.log" >&2
            xvfb_session_wm_pid=""
            return 1
        fi
        if ! xvfb_session_before "$_xs_deadline"; then
            echo "openbox did not start managing the screen within 30 seconds" >&2
            return 1
        fi
        xvfb_session_tick
    done
}

xvfb_session_stop() {
    for _xs_pid in "$xvfb_session_wm_pid" "$xvfb_session_xvfb_pid"; do
        [ -n "$_xs_pid" ] || continue
        kill "$_xs_pid" 2>/dev/null || true
        wait "$_xs_pid" 2>/dev/null || true
    done
    xvfb_session_wm_pid=""
    xvfb_session_xvfb_pid=""
}

xvfb_session_wait_window() {
    _xs_pattern="$1"
    _xs_deadline=$(xvfb_session_deadline "$2")
    while xvfb_session_before "$_xs_deadline"; do
        _xs_found=$(xdotool search --onlyvisible --name "$_xs_pattern" 2>/dev/null \
            | head -n 1) || true
        if [ -n "$_xs_found" ]; then
            echo "$_xs_found"
            return 0
        fi
        xvfb_session_tick
    done
    echo "no window named like \"$_xs_pattern\" appeared within $2 seconds" >&2
    return 1
}

xvfb_session_wait_gone() {
    _xs_pattern="$1"
    _xs_deadline=$(xvfb_session_deadline "$2")
    while xdotool search --onlyvisible --name "$_xs_pattern" >/dev/null 2>&1; do
        if ! xvfb_session_before "$_xs_deadline"; then
            echo "the window named like \"$_xs_pattern\" was still there after $2 seconds" >&2
            return 1
        fi
        xvfb_session_tick
    done
}

xvfb_session_wait_child() {
    _xs_pid="$1"
    _xs_deadline=$(xvfb_session_deadline "$2")
    # A child that has ended but is not yet waited for still takes signals: a zombie.
    while kill -0 "$_xs_pid" 2>/dev/null; do
        case "$(ps -o stat= -p "$_xs_pid" 2>/dev/null)" in
        Z*) break ;;
        esac
        if ! xvfb_session_before "$_xs_deadline"; then
            echo "process $_xs_pid was still running after $2 seconds; ending it" >&2
            kill "$_xs_pid" 2>/dev/null || true
            wait "$_xs_pid" 2>/dev/null || true
            return 124
        fi
        xvfb_session_tick
    done
    _xs_status=0
    wait "$_xs_pid" || _xs_status=$?
    return "$_xs_status"
}
