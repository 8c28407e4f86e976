#!/bin/bash
# A text file named .mp3 chosen in the open dialog: its messages, then a good
# file chosen the same way cuts whole.
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
echo "not an MP3 at all" >"$ROAD_TMP/text.mp3"
cp "$DATA/vbr_xing_3000ms.mp3" "$ROAD_TMP/good.mp3"
cleavo_start

choose() {
    click_at $AT_SELECT
    window_titled "Open" >/dev/null || exit 1
    sleep 0.3
    type_text "$1"
    press_key Return
}

step "the text file"
choose "$ROAD_TMP/text.mp3"
answer_box "Error"
answer_box "MP3 Cleavo" # what the player says of a file it could not open
expect_only_main "after the messages"

step "a good file, Split by Byte Size"
choose "$ROAD_TMP/good.mp3"
expect_only_main "after the good file"
click_at $AT_BYTE
click_at $AT_DEFAULT
click_at $AT_SPLIT_NOW
answer_box "MP3 Cleavo"
expect_slice "$ROAD_TMP/Split - good.mp3" "$ROAD_TMP/good.mp3" 0 "$(stat -c %s "$ROAD_TMP/good.mp3")"
[ ! -e "$ROAD_TMP/Split - text.mp3" ] || fail "the text file was cut"
click_at $AT_EXIT
expect_ended "Exit"
