#!/bin/sh
# Starts the editor on an image, or says in one line why it cannot show a window here.
set -eu
dorrik="$1"
image="$2"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "dorrik: no display is available (DISPLAY and WAYLAND_DISPLAY are unset); run it from a desktop session"
    exit 1
fi
exec "$dorrik" "$image"
