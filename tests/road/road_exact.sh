#!/bin/bash
# Cutting at the exact marks: the switch clicked, the marks set by listening;
# the piece is whole frames whose decoded samples are the source's between the
# marks, and the switch is remembered at the next start.
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
cp "$DATA/vbr_xing_3000ms.mp3" "$ROAD_TMP/song.mp3"
cleavo_start "$ROAD_TMP/song.mp3"
expect_only_main "after the start"

step "the switch, default location, Play, the two marks"
click_at $AT_EXACT
click_at $AT_DEFAULT
click_at $AT_PLAY
sleep 0.6
click_at $AT_SET_START
sleep 1.0
click_at $AT_SET_END
answer_box "MP3 Cleavo"
expect_only_main "after the success message"
out="$ROAD_TMP/Split - song.mp3"
[ -f "$out" ] || fail "the piece was not written"
cmp -s "$ROAD_TMP/song.mp3" "$DATA/vbr_xing_3000ms.mp3" || fail "the source changed"
head -c 200 "$out" | grep -aqE "Xing|Info" || fail "the piece has no Xing or Info frame"
placed=$("$PLACEPIECE" "$ROAD_TMP/song.mp3" "$out") || fail "the piece's samples are not the source's"
set -- $placed
start_ms=$(($1 * 1000 / $3)); length_ms=$(($2 * 1000 / $3))
[ "$start_ms" -ge 300 ] && [ "$start_ms" -le 1500 ] || fail "the piece starts at $start_ms ms"
[ "$length_ms" -ge 700 ] && [ "$length_ms" -le 1500 ] || fail "the piece lasts $length_ms ms"
step "the piece is the source's $start_ms ms to $((start_ms + length_ms)) ms"
click_at $AT_EXIT
expect_ended "Exit"

step "the switch is remembered"
grep -qx "Exact=1" "$XDG_CONFIG_HOME/Quillfen/Cleavo.conf" || fail "Exact=1 was not kept: $(cat "$XDG_CONFIG_HOME/Quillfen/Cleavo.conf")"
cleavo_start "$ROAD_TMP/song.mp3"
click_at $AT_EXACT
click_at $AT_EXIT
expect_ended "Exit"
grep -qx "Exact=0" "$XDG_CONFIG_HOME/Quillfen/Cleavo.conf" || fail "Exact=0 was not kept"

step "a file cut by bytes, cut from its very start"
# Its first frames' bit reservoir is not in it: the piece starts as it sounds.
tail -c +2001 "$DATA/lowrate_32k_2000ms.mp3" >"$ROAD_TMP/rough.mp3"
cleavo_start "$ROAD_TMP/rough.mp3"
click_at $AT_EXACT
click_at $AT_SET_START
click_at $AT_PLAY
sleep 0.8
click_at $AT_SET_END
answer_box "MP3 Cleavo"
expect_only_main "after the second success message"
placed=$("$PLACEPIECE" "$ROAD_TMP/rough.mp3" "$ROAD_TMP/Split - rough.mp3") \
    || fail "the rough start's piece does not sound as its source"
set -- $placed
[ "$1" -eq 0 ] || fail "the piece cut from the start begins at sample $1"
click_at $AT_EXIT
expect_ended "Exit"
