#!/bin/sh
# The Windows icon dorrik-icons writes: an ICO of the sizes Windows shows, each image the very
# picture of the icon theme's PNG of that size.
# Usage: windows_icon.sh DORRIK-ICONS-COMMAND...
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$@" "$work/dorrik.ico"
"$@" "$work/theme"
[ "$(identify -format '%wx%h ' "$work/dorrik.ico")" = "16x16 32x32 48x48 256x256 " ]
# Windows picks an image by the sizes in the file's directory (0 for 256), not the PNGs' own.
[ "$(od -An -tu1 -j6 -N64 -w16 "$work/dorrik.ico" | awk '{printf "%s,%s ", $1, $2}')" \
    = "16,16 32,32 48,48 0,0 " ]
frame=0
for size in 16 32 48 256; do
    compare -metric AE "$work/dorrik.ico[$frame]" "$work/theme/${size}x$size/apps/dorrik.png" \
        null: 2>/dev/null
    frame=$((frame + 1))
done
