#!/usr/bin/env bash
# The window on screens of several sizes, at QT_SCALE_FACTOR 1 and 2, under a
# real window manager (openbox), each size on an X display of its own
# (xvfb-run). For each: the whole window, frame included, is on the screen,
# at its own size where that fits and else as large as fits; the puzzle
# file's error box (Data Load without mondai.txt) opens with its centre
# inside the window; the hint's panel stands inside the screen, and moves
# with the window.
# Usage: fit-screen.sh KORVANE MONDAI_TXT [WIDTHxHEIGHT...]
#        (default sizes: 1024x768 1366x768 1920x1080)
set -euo pipefail
here=$(dirname "$(realpath "$0")")

if [ "${1:-}" != --on-display ]; then
    program=$(realpath "$1")
    puzzle=$(realpath "$2")
    shift 2
    sizes=("$@")
    ((${#sizes[@]})) || sizes=(1024x768 1366x768 1920x1080)
    for size in "${sizes[@]}"; do
        xvfb-run -a -s "-screen 0 ${size}x24" bash "$here/fit-screen.sh" --on-display "$program" \
            "$puzzle" "$size"
    done
    echo "PASS"
    exit 0
fi

program=$2
puzzle=$3
size=$4
screen_width=${size%x*}
screen_height=${size#*x}
source "$here/common.sh"
export QT_QPA_PLATFORM=xcb
export LSAN_OPTIONS=${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0:suppressions=$here/lsan.supp
start_window_manager
mkdir "$work/empty"

# frame WINDOW: WINDOW with the frame the window manager draws around it
# (_NET_FRAME_EXTENTS: left, right, top, bottom), as "X Y WIDTH HEIGHT".
frame() {
    local extents
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)
    xwininfo -id "$1" |
        awk -v e="${extents:-0 0 0 0}" '
            /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
            /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
            END { split(e, m, " "); print x - m[1], y - m[3], w + m[1] + m[2], h + m[3] + m[4] }'
}
# framed: the window has its frame and keeps still (it fits itself to the
# screen once it knows the frame).
last=
framed() {
    xprop -id "$window" _NET_FRAME_EXTENTS | grep -q = || return 1
    local now
    now=$(frame "$window")
    [ "$now" = "$last" ] && return 0
    last=$now
    sleep 0.3
    return 1
}
# on_screen X Y WIDTH HEIGHT: the rectangle lies inside the screen.
on_screen() { (($1 >= 0 && $2 >= 0 && $1 + $3 <= screen_width && $2 + $4 <= screen_height)); }

for scale in 1 2; do
    export QT_SCALE_FACTOR=$scale
    what="${size} at scale $scale"

    # ---- the window on the screen, frame and all ----
    start "$work/empty"
    last=
    poll 20 framed || fail "$what: the window never settled in its frame"
    read -r x y w h < <(frame "$window")
    on_screen "$x" "$y" "$w" "$h" || fail "$what: the window's frame ${w}x${h}+$x+$y is off the screen"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    natural_width=$((461 * scale))
    natural_height=$((539 * scale))
    if ((h - HEIGHT + natural_height <= screen_height && w - WIDTH + natural_width <= screen_width)); then
        [ "${WIDTH}x${HEIGHT}" = "${natural_width}x${natural_height}" ] ||
            fail "$what: the window is ${WIDTH}x${HEIGHT}, not its own size"
    else
        # As large as fits: within a few pixels of the screen's height or
        # width (the frame's, rounded to the scale).
        ((h >= screen_height - 3 || w >= screen_width - 3)) ||
            fail "$what: the window is ${w}x${h} with its frame, smaller than fits"
    fi
    echo "ok   $what: the window ${WIDTH}x${HEIGHT}, frame ${w}x${h}+$x+$y, on the screen"

    # ---- the puzzle file's error box over the window ----
    # Data Load's middle stands at 1207 of the layout's 6915 twips across
    # and 7327 of its 8085 down, at any scale.
    click $((WIDTH * 1207 / 6915)) $((HEIGHT * 7327 / 8085))
    poll 20 find_box || fail "$what: Data Load without mondai.txt opened no box"
    sleep 0.5
    read -r bx by bw bh < <(frame "$box")
    centre_x=$((bx + bw / 2))
    centre_y=$((by + bh / 2))
    ((centre_x >= x && centre_x < x + w && centre_y >= y && centre_y < y + h)) ||
        fail "$what: the box's centre $centre_x,$centre_y lies outside the window ${w}x${h}+$x+$y"
    on_screen "$bx" "$by" "$bw" "$bh" || fail "$what: the box ${bw}x${bh}+$bx+$by is off the screen"
    xdotool windowactivate --sync "$box" key Escape
    box_closed() { ! xdotool search --onlyvisible --name '^Korvane$' 2>/dev/null | grep -qx "$box"; }
    poll 20 box_closed || fail "$what: the box did not close on Escape"
    echo "ok   $what: the error box ${bw}x${bh}+$bx+$by is centred on the window"
    close

    # ---- the hint's panel beside the window ----
    start "$work/empty" "$puzzle"
    last=
    poll 20 framed || fail "$what: the window never settled in its frame"
    xdotool windowactivate --sync "$window" key --delay 200 ctrl+h ctrl+h
    panel=
    find_panel() {
        panel=$(xdotool search --onlyvisible --name '^ヒント$' 2>/dev/null | head -n 1)
        [ -n "$panel" ]
    }
    poll 20 find_panel || fail "$what: no hint panel appeared"
    sleep 0.5
    read -r px py pw ph < <(frame "$panel")
    on_screen "$px" "$py" "$pw" "$ph" || fail "$what: the panel ${pw}x${ph}+$px+$py is off the screen"
    # The window moved down a little: the panel follows, still on the screen.
    read -r x y w h < <(frame "$window")
    xdotool windowmove "$window" "$x" $((y > 40 ? y - 30 : y + 30))
    followed() {
        read -r qx qy qw qh < <(frame "$panel")
        [ "$qy" != "$py" ] || [ "$qx" != "$px" ]
    }
    poll 10 followed || fail "$what: the panel stayed at $px,$py when the window moved"
    on_screen "$qx" "$qy" "$qw" "$qh" || fail "$what: the panel ${qw}x${qh}+$qx+$qy is off the screen"
    echo "ok   $what: the hint panel ${pw}x${ph}+$px+$py moved with the window, on the screen"
    close
done
