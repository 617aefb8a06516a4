#!/bin/sh
# Starts the editor on an image; with no display, runs it on a virtual screen and screenshots it.
#
# Usage: tools/run.sh DORRIK IMAGE
# With DISPLAY or WAYLAND_DISPLAY set this simply runs DORRIK IMAGE. Without either, it starts
# the editor on a virtual X server (Xvfb with openbox), loads level 1 by pressing F12, saves a
# screenshot of the window next to the build directory (or in $TMPDIR), closes the editor and
# says in one line what it did.
set -eu
dorrik="$1"
image="$2"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$dorrik" "$image"
fi

tools=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/xvfb-session.sh
. "$tools/xvfb-session.sh"

missing=$(xvfb_session_missing)
command -v import >/dev/null 2>&1 || missing="${missing}import "
if [ -n "$missing" ]; then
    needs="${missing% } (tools/setup.sh installs them)"
    echo "dorrik: no display is available (DISPLAY and WAYLAND_DISPLAY are unset), and a" \
        "virtual one needs $needs; run it from a desktop session"
    exit 1
fi

# The screenshot goes into the build directory that holds the binary's directory, if writable.
build=$(cd "$(dirname "$dorrik")/.." && pwd)
if [ -w "$build" ]; then
    shot="$build/dorrik-screenshot.png"
else
    shot="${TMPDIR:-/tmp}/dorrik-screenshot.png"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/dorrik-run.XXXXXX")
dorrik_pid=""
finish() {
    if [ -n "$dorrik_pid" ]; then
        kill "$dorrik_pid" 2>/dev/null || true
        wait "$dorrik_pid" 2>/dev/null || true
    fi
    xvfb_session_stop
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "dorrik: no display is available, and running the editor on a virtual screen" \
        "failed: $*" >&2
    if [ -s "$work/dorrik.log" ]; then
        echo "dorrik: the editor's output:" >&2
        cat "$work/dorrik.log" >&2
    fi
    exit 1
}

xvfb_session_start "$work" 2>"$work/session.txt" \
    || fail "the virtual X server did not start ($(tr '\n' ' ' <"$work/session.txt"))"
mkdir -m 700 "$work/runtime"
(
    QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
    export QT_QPA_PLATFORM XDG_RUNTIME_DIR
    exec "$dorrik" "$image"
) >"$work/dorrik.log" 2>&1 &
dorrik_pid=$!

window=$(xvfb_session_wait_window '^Dorrik v1\.0 - Pebblefen Editor$' 30 2>/dev/null) \
    || fail "its window did not appear within 30 seconds"
xdotool windowactivate --sync "$window"

# picture: a checksum of what the window shows now.
picture() {
    import -silent -window "$window" ppm:- 2>/dev/null | cksum
}

# settle OLD WHAT: waits until the window's picture differs from OLD and then holds still for
# a moment, and prints its checksum.
settle() {
    deadline=$(xvfb_session_deadline 20)
    last=""
    while :; do
        sleep 0.3
        now=$(picture)
        if [ "$now" != "$1" ] && [ "$now" = "$last" ]; then
            echo "$now"
            return 0
        fi
        last=$now
        xvfb_session_before "$deadline" || fail "the window did not settle $2 within 20 seconds"
    done
}

shown=$(settle "" "after it opened")
xdotool key F12
settle "$shown" "after F12" >/dev/null
import -silent -window "$window" "$shot" || fail "could not save the screenshot $shot"

xdotool key alt+F4
status=0
xvfb_session_wait_child "$dorrik_pid" 20 2>/dev/null || status=$?
dorrik_pid=""
[ "$status" -eq 0 ] || fail "the editor did not close cleanly (status $status)"

echo "dorrik: no display is available (DISPLAY and WAYLAND_DISPLAY are unset), so the editor" \
    "ran on a virtual X screen and loaded level 1; screenshot of its window: $shot"
