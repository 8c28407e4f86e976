#!/bin/bash
# A long write to a slow destination (every write slowed down): the window
# keeps answering, a progress window shows, Escape cancels and keeps the
# earlier file; Ctrl+Q (in either window) and the frame's close button cancel
# and end the program; so does a SIGTERM (a logout), at once and with no box,
# also where the unfinished file has a name (no unnamed temporary files).
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
mkdir -p "$ROAD_TMP/music"
# 24 MiB of MP3: the test tone joined to itself (players play joined MP3s whole).
for _ in $(seq 1 8); do cat "$DATA/cbr_44k_stereo_3000ms.mp3"; done >"$ROAD_TMP/eight.mp3"
for _ in $(seq 1 65); do cat "$ROAD_TMP/eight.mp3"; done >"$ROAD_TMP/music/long.mp3"
rm "$ROAD_TMP/eight.mp3"
printf 'an earlier piece' >"$ROAD_TMP/music/Split - long.mp3"
export LD_PRELOAD="$CLEAVO_FAULTS"
export CLEAVO_SLOW_WRITES="2000:$ROAD_TMP/music" # 3072 writes of 2 ms: six seconds

# The main window answers the X server while the write runs: its title can be
# read and it repaints when uncovered.
answering() { xdotool getwindowname "$MAIN_WIN" >/dev/null && import -window "$MAIN_WIN" "$ROAD_TMP/alive.png" 2>/dev/null; }
untouched() {
    [ "$(cat "$ROAD_TMP/music/Split - long.mp3")" = "an earlier piece" ] || fail "the earlier file changed ($1)"
    [ "$(ls "$ROAD_TMP/music" | wc -l)" -eq 2 ] || fail "files were left behind ($1): $(ls "$ROAD_TMP/music")"
}
start_write() {
    click_at $AT_BYTE
    click_at $AT_DEFAULT
    click_at $AT_SPLIT_NOW
    progress=$(window_titled "MP3 Cleavo") || exit 1
    answering || fail "the window does not answer during the write"
    sleep 0.5
}

for how in Escape ctrl+q ctrl+q-main close SIGTERM SIGTERM-named; do
    step "cancelled by $how"
    if [ "$how" = SIGTERM-named ]; then export CLEAVO_NO_TMPFILE=1; else unset CLEAVO_NO_TMPFILE; fi
    cleavo_start "$ROAD_TMP/music/long.mp3"
    start_write
    case $how in
    Escape)
        xdotool windowactivate --sync "$progress" key Escape
        answer_box "MP3 Cleavo" # nothing was written
        expect_only_main "after the cancelled write"
        click_at $AT_EXIT
        ;;
    ctrl+q) xdotool windowactivate --sync "$progress" key ctrl+q ;;
    ctrl+q-main) xdotool windowactivate --sync "$MAIN_WIN" key ctrl+q ;;
    SIGTERM*)
        kill -TERM "$CLEAVO_PID"
        # Ended within a second, with no box on the way.
        WAIT=1 until_true sh -c "! kill -0 $CLEAVO_PID 2>/dev/null" || fail "$how: still running a second later"
        ;;
    close)
        # The close button at the right of the main window's title bar.
        read -r x y < <(client_origin)
        w=$(xwininfo -id "$MAIN_WIN" | awk '/Width:/ { print $2 }')
        xdotool mousemove --sync $((x + w - 9)) $((y - 10)) click 1
        ;;
    esac
    expect_ended "$how during the write"
    untouched "$how"
done
