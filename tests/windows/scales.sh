#!/bin/sh
# shellcheck disable=SC1003 # '\\' is one backslash
# The editor under Wine at the display scales Windows laptops use (100, 125, 150 and 200 %: 96,
# 120, 144 and 192 dots per inch), on a virtual X screen: every text must keep its face, the
# same faces at every scale, none of them a fallback Qt took for want of the one asked for.
# Qt names each face as it makes the font engine for it (its qt.qpa.fonts log).
#
# Usage: scales.sh DORRIK.EXE DEMO_IMAGE [FOLDER]
# With FOLDER, the window at 100 % and at 150 % goes to FOLDER/screenshot-windows.png and
# FOLDER/screenshot-windows-150.png (the README's, in docs/).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dorrik=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
demo=$2
shots=${3:-}

# shellcheck source-path=SCRIPTDIR/../.. source=tools/xvfb-session.sh
. "$root/tools/xvfb-session.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/dorrik-scales.XXXXXX")
pid=""
finish() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    xvfb_session_stop
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "scales: $*" >&2; exit 1; }

export WINEPREFIX="$work/wine" WINEDEBUG=-all
XVFB_SESSION_SCREEN=1600x1200x24 xvfb_session_start "$work/x" || fail "no virtual X screen"
cp "$demo" "$work/demo.gb"
wine_path=$(printf 'Z:%s' "$dorrik" | tr / '\\')
for dpi in 96 120 144 192; do
    "$root/tools/windows/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
        /t REG_DWORD /d "$dpi" /f >/dev/null
    wineserver -w
    # Qt's variables reach a Windows program only when set inside Wine, by cmd.
    (cd "$work" && exec "$root/tools/windows/wine-run.sh" cmd /c \
        "set QT_FORCE_STDERR_LOGGING=1&& set QT_LOGGING_RULES=qt.qpa.fonts=true&& $wine_path demo.gb") \
        >"$work/$dpi.log" 2>&1 &
    pid=$!
    window=$(xvfb_session_wait_window '^Dorrik v1' 60) || fail "$dpi dpi: no editor window"
    # Level 1 loads as a user loads it (Next Level, F12), drawing the level and the palette;
    # then the menu opens, so that its items are drawn too.
    sleep 2
    xdotool windowactivate "$window" 2>/dev/null || true
    xdotool key --window "$window" F12 2>/dev/null || true
    sleep 3
    if [ -n "$shots" ]; then
        case $dpi in
        96) import -silent -window "$window" "$shots/screenshot-windows.png" ;;
        144) import -silent -window "$window" "$shots/screenshot-windows-150.png" ;;
        esac
    fi
    xdotool key --window "$window" alt+f 2>/dev/null || true
    sleep 1
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
    wineserver -k 2>/dev/null || true
    sed -n 's/.*createEngine "\([^"]*\)".*/\1/p' "$work/$dpi.log" | sort -u >"$work/$dpi.faces"
    [ -s "$work/$dpi.faces" ] || fail "$dpi dpi: the editor drew no text"
    echo "scales: $dpi dpi: $(tr '\n' ',' <"$work/$dpi.faces")"
done
# The faces the layout asks for, or their stand-ins; anything else is a fallback.
for dpi in 120 144 192; do
    diff "$work/96.faces" "$work/$dpi.faces" >/dev/null || fail "$dpi dpi draws other faces than 96"
done
grep -v -i -x -e 'ms sans serif' -e 'microsoft sans serif' -e 'liberation sans' -e tahoma \
    -e 'courier new' -e 'liberation mono' -e 'ms shell dlg' -e 'ms shell dlg 2' -e 'system' \
    "$work/96.faces" && fail "a face Dorrik did not ask for (above)"
echo "scales: the same faces at 100, 125, 150 and 200 %"
