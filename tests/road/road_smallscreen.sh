#!/bin/bash
# The first start on a small screen with a panel: the window with its frame
# lies inside the work area, and the controls below its edge are reached by
# scrolling (Exit, clicked there, ends the program). Also at a scale of 1.25.
. "$(dirname "$0")/roadlib.sh"

check_screen() { # SIZE SCALE
    road_x "$1" panel
    export QT_SCALE_FACTOR=$2
    cleavo_start
    sleep 3 # the window manager decorates and places it
    local area frame x y w h
    area=$(xprop -root _NET_WORKAREA | sed 's/.*= //' | cut -d, -f1-4 | tr -d ' ')
    frame=$(xprop -id "$MAIN_WIN" _NET_FRAME_EXTENTS | sed 's/.*= //' | tr -d ' ')
    read -r x y < <(client_origin)
    read -r w h < <(xwininfo -id "$MAIN_WIN" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
    IFS=, read -r ax ay aw ah <<<"$area"
    IFS=, read -r fl fr ft fb <<<"$frame"
    step "$1 at $2: area $ax,$ay ${aw}x$ah; frame $((x - fl)),$((y - ft)) to $((x + w + fr)),$((y + h + fb))"
    [ $((x - fl)) -ge "$ax" ] && [ $((y - ft)) -ge "$ay" ] && [ $((x + w + fr)) -le $((ax + aw)) ] \
        && [ $((y + h + fb)) -le $((ay + ah)) ] || fail "the frame leaves the work area"
    # Scrolled to the bottom with the wheel over the window's empty middle.
    xdotool mousemove $((x + w * 2 / 100)) $((y + h / 2))
    for _ in $(seq 1 15); do xdotool click 5; done
    sleep 0.3
    # Exit at its place in the scrolled controls: its place in the layout, less the
    # part of the controls above the window's top (in logical pixels).
    local logical offset
    logical=$(awk -v h="$h" -v s="$2" 'BEGIN { printf "%d", h / s }')
    offset=$((575 - logical))
    [ "$offset" -lt 0 ] && offset=0
    xdotool mousemove --sync $((x + $(awk -v s="$2" 'BEGIN { printf "%d", 434 * s }'))) \
        $((y + $(awk -v s="$2" -v o="$offset" 'BEGIN { printf "%d", (559 - o) * s }'))) click 1
    expect_ended "Exit, scrolled into reach at $1"
    for p in $ROAD_PIDS; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    ROAD_PIDS=""
    rm -rf "$ROAD_TMP/config"
}

check_screen 1024x600 1
check_screen 1280x720 1.25
