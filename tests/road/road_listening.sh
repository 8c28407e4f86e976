#!/bin/bash
# Listening: Play, Set Start Position, Set End Position; the new file is the
# piece between two whole percentages of the source.
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
cp "$DATA/cbr_44k_stereo_3000ms.mp3" "$ROAD_TMP/song.mp3"
cleavo_start "$ROAD_TMP/song.mp3"
expect_only_main "after the start"

step "default location, Play, the two marks"
click_at $AT_DEFAULT
click_at $AT_PLAY
sleep 0.8
click_at $AT_SET_START
sleep 1.2
click_at $AT_SET_END
answer_box "MP3 Cleavo"
expect_only_main "after the success message"
percents=$(expect_percent_slice "$ROAD_TMP/Split - song.mp3" "$ROAD_TMP/song.mp3") || exit 1
set -- $percents
[ "$1" -ge 10 ] && [ "$2" -le 95 ] && [ $(($2 - $1)) -ge 15 ] || fail "the marks became $1 % and $2 %"
step "the piece runs from $1 % to $2 %"
click_at $AT_EXIT
expect_ended "Exit"
