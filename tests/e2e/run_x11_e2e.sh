#!/bin/sh
# One editing session of the real dorrik program on a virtual X screen, driven by xdotool.
#
# Usage: run_x11_e2e.sh DORRIK E2E_CHECK DEMO_IMAGE
# Loads level 1, scrolls the palette, picks a tile, paints a row with a left-button drag,
# saves, opens and closes the About window, screenshots the window; then, unsaved, picks a tile
# from the level, fills, replaces, copies a rectangle through the clipboard and pastes it, and
# plays the level with F5 in a stand-in program; cancels Open and closes it. e2e_check compares
# the saved file, the played copy and the screenshot with what they must hold.
# Exits 77 (skipped) when the X tools are not installed. With DORRIK_E2E_RUNNER set (the Windows
# build: tools/windows/wine-run.sh), DORRIK runs through it, in a Wine prefix of the session's own.
set -eu

dorrik="$1"
checker="$2"
demo="$3"
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source-path=SCRIPTDIR/../.. source=tools/xvfb-session.sh
. "$here/../../tools/xvfb-session.sh"

missing=$(xvfb_session_missing)
for program in import xclip timeout; do
    command -v "$program" >/dev/null 2>&1 || missing="${missing}$program "
done
if [ -n "$missing" ]; then
    echo "e2e_x11: skipped, not installed: ${missing% }"
    exit 77
fi

# What the session does, fixed in advance. The palette starts at 0; its upper arrow raises
# the offset to 1 and +10 to 11, so slot k then shows tile 11 + k.
level=1
palette_first=11
slot=12
tile=$((palette_first + slot))
paint_row=3
paint_first=3
paint_last=8

# Pixel places in the client area below the menu bar (see src/editor/frmMainLayout.cpp). A
# surface's inside starts one pixel into it.
editor_x=$((172 + 16 + 1))
editor_y=$((0 + 24 + 1))
palette_x=$((4 + 16 + 1))
palette_y=$((0 + 32 + 1))
preview_x=$((4 + 112 + 1))
current_y=$((112 + 1))
left_y=$((136 + 1))
arrow_x=$((4 + 128 + 8)) # scrTiles, 17 x 21: the middle of its upper half
arrow_y=$((0 + 40 + 5))
add10_x=$((4 + 112 + 16)) # btnAdd10, 33 x 21: its middle
add10_y=$((0 + 64 + 10))

work=$(mktemp -d "${TMPDIR:-/tmp}/dorrik-e2e.XXXXXX")
dorrik_pid=""
passed=no

finish() {
    if [ -n "$dorrik_pid" ]; then
        kill "$dorrik_pid" 2>/dev/null || true
        wait "$dorrik_pid" 2>/dev/null || true
    fi
    xvfb_session_stop
    if [ "$passed" = yes ]; then
        rm -rf "$work"
    else
        echo "e2e_x11: the session's files (screenshots, logs, saved image) are in $work" >&2
        if [ -s "$work/dorrik.log" ]; then
            echo "e2e_x11: dorrik's output:" >&2
            cat "$work/dorrik.log" >&2
        fi
    fi
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "e2e_x11: FAILED: $*" >&2
    if [ -n "$dorrik_pid" ]; then
        case "$(ps -o stat= -p "$dorrik_pid" 2>/dev/null)" in
        "" | Z*) echo "e2e_x11: the editor is no longer running" >&2 ;;
        *) echo "e2e_x11: the editor is still running" >&2 ;;
        esac
    fi
    if [ -n "${DISPLAY:-}" ] && command -v xwininfo >/dev/null 2>&1; then
        xwininfo -root -tree >"$work/windows.txt" 2>&1 || true
        echo "e2e_x11: the screen's windows are listed in windows.txt" >&2
    fi
    exit 1
}

step() {
    echo "e2e_x11: $*"
}

start_time=$(date +%s)
xvfb_session_start "$work" || fail "could not start the virtual X screen"
step "virtual screen $DISPLAY is up"

image="$work/-reverse -style x.gb"
cp "$demo" "$image"
mkdir -m 700 "$work/runtime" "$work/home"
# F5's program for Game Boy images: a stand-in that keeps a copy of the file it is given and
# its path. It is the default in the session's own system folders, so that no installed program
# is chosen and the home stays as bare as the settings check at the end wants it.
mkdir -p "$work/xdg/config" "$work/xdg/data/applications"
cat >"$work/play.sh" <<'EOF'
#!/bin/sh
cp "$1" "${0%/*}/played.gb" && printf '%s\n' "$1" >"${0%/*}/played.part" \
    && mv "${0%/*}/played.part" "${0%/*}/played.txt"
EOF
chmod +x "$work/play.sh"
printf '[Desktop Entry]\nType=Application\nName=Stand-in\nExec="%s" %%f\nMimeType=%s;\n' \
    "$work/play.sh" application/x-gameboy-rom >"$work/xdg/data/applications/stand-in.desktop"
printf '[Default Applications]\napplication/x-gameboy-rom=stand-in.desktop\n' \
    >"$work/xdg/config/mimeapps.list"
played=""
# The whole argument text is one path, Qt's option names too. A home of its own shows any
# settings the editor would keep.
(
    unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS XDG_CONFIG_HOME XDG_DATA_HOME
    QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0 XDG_RUNTIME_DIR="$work/runtime"
    HOME="$work/home"
    WINEPREFIX="$work/wine"
    XDG_CONFIG_DIRS="$work/xdg/config" XDG_DATA_DIRS="$work/xdg/data"
    export QT_QPA_PLATFORM QT_ENABLE_HIGHDPI_SCALING XDG_RUNTIME_DIR HOME WINEPREFIX \
        XDG_CONFIG_DIRS XDG_DATA_DIRS
    cd "$work"
    exec ${DORRIK_E2E_RUNNER:+"$DORRIK_E2E_RUNNER"} "$dorrik" -reverse -style x.gb
) >"$work/dorrik.log" 2>&1 &
dorrik_pid=$!

window=$(xvfb_session_wait_window '^Dorrik v1\.0 - Pebblefen Editor$' 30) \
    || fail "the editor's window did not appear"
# Keys go to the active window: a window the window manager has only just taken in (Wine's, on
# a fresh prefix) may not take the activation at the first asking.
deadline=$(xvfb_session_deadline 15)
until [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]; do
    xvfb_session_before "$deadline" || fail "the editor's window does not become active"
    xdotool windowactivate "$window" 2>/dev/null || true
    sleep 0.2
done
eval "$(xdotool getwindowgeometry --shell "$window")"
window_size="${WIDTH}x${HEIGHT}"
# The client area fills the window below the menu bar, whose height the style decides.
menu=$((HEIGHT - 389))
[ "$menu" -gt 0 ] || fail "the window is only $window_size, no room for a menu bar"
step "window $window is $window_size, menu bar $menu pixels high"

shot="$work/screen.png"

# wait_tile WHAT TILE X Y: waits until the window shows tile TILE with its top-left pixel at
# client (X, Y); a real user would see it there before going on.
wait_tile() {
    what="$1"
    deadline=$(xvfb_session_deadline 15)
    until import -silent -window "$window" "$shot" 2>/dev/null \
        && "$checker" tile "$shot" "$image" "$2" "$3" "$(($4 + menu))" 2>"$work/tile.txt"; do
        kill -0 "$dorrik_pid" 2>/dev/null || fail "the editor ended while waiting for $what"
        if ! xvfb_session_before "$deadline"; then
            cat "$work/tile.txt" >&2
            fail "after 15 seconds the window still did not show $what"
        fi
        sleep 0.1
    done
}

# level_cell COLUMN ROW: the tile number the demo image's level holds in that cell.
level_cell() {
    od -An -tu1 -j $((0x14001 + 340 * (level - 1) + 20 * $2 + $1)) -N1 "$demo" | tr -d ' '
}

# move X Y: puts the pointer on client pixel (X, Y).
move() {
    xdotool mousemove --window "$window" "$1" "$(($2 + menu))"
}

# move_cell COLUMN ROW: puts the pointer on the middle of a level cell.
move_cell() {
    move $((editor_x + 16 * $1 + 8)) $((editor_y + 16 * $2 + 8))
}

# wait_cell WHAT TILE COLUMN ROW: waits until the level cell shows TILE.
wait_cell() {
    wait_tile "$1" "$2" $((editor_x + 16 * $3)) $((editor_y + 16 * $4))
}

step "F12 loads level $level"
xdotool key F12
wait_tile "level $level's last cell" "$(level_cell 19 16)" $((editor_x + 16 * 19)) \
    $((editor_y + 16 * 16))

step "the palette's upper arrow, then +10"
move "$arrow_x" "$arrow_y"
xdotool click 1
wait_tile "tile 1 in the palette's first slot" 1 "$palette_x" "$palette_y"
move "$add10_x" "$add10_y"
xdotool click 1
wait_tile "tile $palette_first in the palette's first slot" "$palette_first" "$palette_x" \
    "$palette_y"

step "hover palette slot $slot and left-click it: tile $tile"
move $((palette_x + 8)) $((palette_y + 16 * slot + 8))
wait_tile "tile $tile as the current tile" "$tile" "$preview_x" "$current_y"
xdotool click 1
wait_tile "tile $tile as the left tile" "$tile" "$preview_x" "$left_y"

# Qt merges pointer movements that queue up, so each cell is seen painted before the pointer
# moves on: the drag paints every cell it crosses.
step "drag-paint cells $paint_first..$paint_last of row $paint_row"
cells=""
column=$paint_first
while [ "$column" -le "$paint_last" ]; do
    move $((editor_x + 16 * column + 8)) $((editor_y + 16 * paint_row + 8))
    if [ "$column" -eq "$paint_first" ]; then
        xdotool mousedown 1
    fi
    wait_tile "the painted tile in cell ($column,$paint_row)" "$tile" \
        $((editor_x + 16 * column)) $((editor_y + 16 * paint_row))
    cells="$cells $column,$paint_row"
    column=$((column + 1))
done
xdotool mouseup 1
# Off the window, so no pointer is over what the screenshot checks.
xdotool mousemove 0 0

step "Ctrl+S saves; Enter dismisses the confirmation"
xdotool key ctrl+s
box=$(xvfb_session_wait_window '^Dorrik$' 20) || fail "no confirmation box after Ctrl+S"
xdotool windowactivate --sync "$box"
xdotool key Return
xvfb_session_wait_gone '^Dorrik$' 20 || fail "Enter did not close the confirmation box"

# about_centred: whether About's outer frame, its client area grown by the window manager's frame
# extents (left, right, top, bottom), is centred on the screen within a pixel; sets $outer.
about_centred() {
    # shellcheck disable=SC2046 # numbers only
    set -- $(xdotool getdisplaygeometry) $(xprop -id "$about" _NET_FRAME_EXTENTS | tr -c 0-9 ' ') \
        $(xwininfo -id "$about" | sed -En 's/^ *(Absolute upper-left [XY]|Width|Height): *//p')
    outer="$(($7 - $3)),$(($8 - $5)) $(($9 + $3 + $4))x$((${10} + $5 + $6))"
    dx=$((2 * $7 + $9 - $3 + $4 - $1)) dy=$((2 * $8 + ${10} - $5 + $6 - $2)) # in half pixels
    [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]
}

step "Alt+A opens the About window, centred on the screen; Enter closes it"
xdotool windowactivate --sync "$window"
xdotool key alt+a
about=$(xvfb_session_wait_window '^About Dorrik$' 20) || fail "Alt+A did not open About"
deadline=$(xvfb_session_deadline 5)
until about_centred || ! xvfb_session_before "$deadline"; do sleep 0.1; done
# Under Wine the frame is the window manager's, of a size Wine does not tell Windows programs
# exactly: there the place is reported, not checked.
about_centred || [ -n "${DORRIK_E2E_RUNNER:-}" ] \
    || fail "About's outer frame ($outer) is not centred on the screen"
step "About's outer frame: $outer"
xdotool windowactivate --sync "$about"
xdotool key Return
xvfb_session_wait_gone '^About Dorrik$' 20 || fail "Enter did not close the About window"

# The windows that covered the editor are gone once it has painted the places they left.
step "screenshot of the window"
deadline=$(xvfb_session_deadline 15)
# shellcheck disable=SC2086 # one argument per painted cell
until import -silent -window "$window" "$shot" 2>/dev/null \
    && "$checker" screen "$shot" "$window_size" "$demo" "$level" "$tile" "$palette_first" \
        $cells 2>"$work/screen.txt"; do
    if ! xvfb_session_before "$deadline"; then
        cat "$work/screen.txt" >&2
        fail "the window's picture is not the edited level"
    fi
    sleep 0.1
done

# Qt never saw "-reverse" from the command line: the menu titles stand at the left, and the
# menu bar's right half is bare.
colours=$(convert "$shot" -crop "$((WIDTH / 2))x$((menu - 2))+$((WIDTH / 2))+1" +repage \
    -format %k info:)
[ "$colours" = 1 ] || fail "the menu bar's right half is not bare: laid out right to left?"

# The waits below take screenshots of their own; the last check wants this one.
cp "$shot" "$work/painted.png"

# Unsaved from here on, so the saved file still holds the painting alone. Cells are chosen from
# the demo level: each gesture changes cells a wrong area or a wrong tile would leave alone.
xdotool windowactivate --sync "$window"
picked=$(level_cell 7 10)
[ "$picked" != "$tile" ] || fail "cell (7,10) already holds the left tile: picking it proves nothing"
step "Ctrl+click cell (7,10): its tile $picked becomes the left tile"
move_cell 7 10
xdotool keydown ctrl click 1 keyup ctrl
wait_tile "tile $picked as the left tile" "$picked" "$preview_x" "$left_y"

step "Shift+click cell (12,7) fills its run of tile $(level_cell 12 7) with tile $picked"
move_cell 12 7
xdotool keydown shift click 1 keyup shift
wait_cell "the filled cell (15,7)" "$picked" 15 7

step "Ctrl+Shift+right-click cell (5,14): the right tile, 0, replaces every tile $(level_cell 5 14)"
move_cell 5 14
xdotool keydown ctrl+shift click 3 keyup ctrl+shift
wait_cell "the replaced cell (11,4)" 0 11 4

step "Ctrl+drag selects cells (4,12) to (6,13); Ctrl+C copies them"
move_cell 4 12
xdotool keydown ctrl mousedown 1
move_cell 6 13
xdotool mouseup 1 keyup ctrl key ctrl+c
if [ -n "${DORRIK_E2E_RUNNER:-}" ]; then
    step "the X clipboard is not read under Wine: skipped"
else
    rows=""
    for row in 12 13; do
        rows="$rows$(for column in 4 5 6; do printf '%02X\n' "$(level_cell "$column" "$row")"; done \
            | paste -sd ' ')
"
    done
    deadline=$(xvfb_session_deadline 15)
    until [ "$(timeout 5 xclip -selection clipboard -o 2>/dev/null; echo .)" = "$rows." ]; do
        xvfb_session_before "$deadline" || fail "the clipboard does not hold the rows $rows"
        sleep 0.1
    done
fi

step "Ctrl+V over cell (18,1) pastes them there, clipped at the level's right edge"
move_cell 18 1
xdotool key ctrl+v
for row in 0 1; do
    for column in 0 1; do
        wait_cell "the pasted cell ($((18 + column)),$((1 + row)))" \
            "$(level_cell $((4 + column)) $((12 + row)))" $((18 + column)) $((1 + row))
    done
done

if [ -n "${DORRIK_E2E_RUNNER:-}" ]; then
    step "F5 is not tried under Wine, whose programs are not the freedesktop stand-in: skipped"
else
    step "F5 plays the level: the stand-in gets a copy, the image is left as it was"
    cp "$image" "$work/before-play.gb"
    xdotool key F5
    deadline=$(xvfb_session_deadline 15)
    until [ -s "$work/played.txt" ]; do
        xvfb_session_before "$deadline" || fail "F5 did not start the stand-in program"
        sleep 0.1
    done
    played=$(cat "$work/played.txt")
    step "the stand-in was given $played"
    case "$played" in */dorrik-play-*/*) ;; *) fail "the played copy is not in a play folder" ;; esac
    cmp -s "$image" "$work/before-play.gb" || fail "F5 changed the user's image"
    "$checker" played "$image" "$work/played.gb" "$level" "fill:12,7:$picked" replace:5,14:0 \
        paste:4,12,3,2:18,1 || fail "the played copy is not the saved image with the edited level"
fi

step "Ctrl+O opens the Open dialog; Escape cancels it"
xdotool windowactivate --sync "$window"
xdotool key ctrl+o
dialog=$(xvfb_session_wait_window '^Dorrik - Open File$' 20) || fail "Ctrl+O did not open the dialog"
xdotool windowactivate --sync "$dialog"
xdotool key Escape
xvfb_session_wait_gone '^Dorrik - Open File$' 20 || fail "Escape did not close the dialog"

step "Alt+F4 closes the editor"
xdotool windowactivate --sync "$window"
xdotool key alt+F4
status=0
xvfb_session_wait_child "$dorrik_pid" 20 || status=$?
dorrik_pid=""
[ "$status" -eq 0 ] || fail "the editor did not end by itself with status 0 (status $status)"
[ -z "$played" ] || [ ! -e "${played%/*}" ] || fail "the played copy's folder outlived the editor"

kept=$( (cd "$work/home" && find .config .local 2>/dev/null) || true)
# On Windows settings would go to the registry or the profile's AppData (Wine keeps the
# registry in user.reg, written out when the Wine server ends).
if [ -d "$work/wine" ]; then
    WINEPREFIX="$work/wine" wineserver -w
    kept="$kept$(grep -iE '^\[Software\\\\(Dorrik|QtProject)' "$work/wine/user.reg" || true)"
    kept="$kept$(find "$work/wine/drive_c/users" -iname '*dorrik*' -o -iname 'QtProject*' || true)"
fi
[ -z "$kept" ] || fail "the editor left settings in its home: $kept"

step "checking the saved file and the screenshot"
# shellcheck disable=SC2086 # one argument per painted cell
"$checker" all "$demo" "$image" "$work/painted.png" "$window_size" "$level" "$tile" "$palette_first" \
    $cells || fail "the saved file or the screenshot is wrong"

passed=yes
step "passed in $(($(date +%s) - start_time)) s: tile $tile painted into cells$cells of level $level"
