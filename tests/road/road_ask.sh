#!/bin/bash
# "Ask me where to store the MP3." over an existing file: a name typed with or
# without ".mp3" is asked about; No keeps the file, Yes replaces it and sends
# it to the trash; a name that is a link is refused, and the file it names kept.
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
cp "$DATA/cbr_44k_stereo_3000ms.mp3" "$ROAD_TMP/song.mp3"
printf 'keep me' >"$ROAD_TMP/keep.mp3"
cleavo_start "$ROAD_TMP/song.mp3"
click_at $AT_ASK
click_at $AT_BYTE

# save NAME ANSWER: Split File Now, the hint, NAME typed into the save dialog,
# the question answered.
save() {
    click_at $AT_SPLIT_NOW
    answer_box "MP3 Cleavo" # the hint before the dialog
    local dialog
    dialog=$(window_titled "Save As") || exit 1
    sleep 0.3
    press_key ctrl+a
    type_text "$1"
    press_key Return
    answer_box "Save As" "$2" "$dialog"
}

for name in keep keep.mp3; do
    step "\"$name\" typed, No"
    save "$name" alt+n
    # Back in the dialog: cancelled, the default location is used.
    press_key Escape
    answer_box "MP3 Cleavo"
    expect_only_main "after \"$name\" and No"
    [ "$(cat "$ROAD_TMP/keep.mp3")" = "keep me" ] || fail "keep.mp3 was replaced after No"
    expect_slice "$ROAD_TMP/Split - song.mp3" "$ROAD_TMP/song.mp3" 0 "$(stat -c %s "$ROAD_TMP/song.mp3")"
done

step "\"keep\" typed, Yes"
save keep alt+y
answer_box "MP3 Cleavo"
expect_only_main "after Yes"
expect_slice "$ROAD_TMP/keep.mp3" "$ROAD_TMP/song.mp3" 0 "$(stat -c %s "$ROAD_TMP/song.mp3")"
[ ! -e "$ROAD_TMP/keep" ] || fail "a file without .mp3 was written"
[ "$(cat "$ROAD_TMP/home/.local/share/Trash/files/keep.mp3")" = "keep me" ] || fail "the replaced keep.mp3 is not in the trash"
step "a name that is a link, Yes"
mkdir -p "$ROAD_TMP/library"
printf 'a favourite' >"$ROAD_TMP/library/favourite.mp3"
ln -s library/favourite.mp3 "$ROAD_TMP/link.mp3"
save link alt+y
answer_box "MP3 Cleavo" # the refusal, in place of the success
expect_only_main "after the link"
[ "$(cat "$ROAD_TMP/library/favourite.mp3")" = "a favourite" ] || fail "the file the link names was written"
[ -L "$ROAD_TMP/link.mp3" ] || fail "the link itself was replaced"
[ ! -e "$ROAD_TMP/home/.local/share/Trash/files/link.mp3" ] || fail "the link went to the trash"
click_at $AT_EXIT
expect_ended "Exit"
