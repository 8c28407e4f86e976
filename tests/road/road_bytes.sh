#!/bin/bash
# A file chosen by typing its path into the open dialog, then "Split by Byte
# Size", "Split File Now" and "Play New MP3": each first click acts. The piece
# cut again sends the first to the trash. Under a file-size limit the write is
# refused with a message, and nothing is lost.
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
cp "$DATA/cbr_44k_stereo_3000ms.mp3" "$ROAD_TMP/song.mp3"
cleavo_start

step "the open dialog, a typed path"
click_at $AT_SELECT
dialog=$(window_titled "Open") || exit 1
sleep 0.3
type_text "$ROAD_TMP/song.mp3"
press_key Return
WAIT=5 until_true sh -c "! xdotool search --onlyvisible --pid $CLEAVO_PID | grep -qx $dialog" || fail "the open dialog stayed"
expect_only_main "after the open dialog"

step "the open dialog again, in the folder remembered, a full path typed"
click_at $AT_SELECT
dialog=$(window_titled "Open") || exit 1
sleep 0.3
type_text "$ROAD_TMP/song.mp3"
press_key Return
WAIT=5 until_true sh -c "! xdotool search --onlyvisible --pid $CLEAVO_PID | grep -qx $dialog" \
    || fail "the open dialog stayed with a full path typed in the folder it shows"
expect_only_main "after the second open dialog"

step "Split by Byte Size, default location, Split File Now"
click_at $AT_BYTE
click_at $AT_DEFAULT
click_at $AT_SPLIT_NOW
answer_box "MP3 Cleavo"
expect_slice "$ROAD_TMP/Split - song.mp3" "$ROAD_TMP/song.mp3" 0 "$(stat -c %s "$ROAD_TMP/song.mp3")"
expect_only_main "after the success message"

step "the same piece again: the first one goes to the trash of a bare home"
cp "$ROAD_TMP/Split - song.mp3" "$ROAD_TMP/first.mp3"
click_at $AT_SPLIT_NOW
answer_box "MP3 Cleavo"
trash="$ROAD_TMP/home/.local/share/Trash"
cmp -s "$trash/files/Split - song.mp3" "$ROAD_TMP/first.mp3" || fail "the first piece is not in the trash: $(ls -R "$ROAD_TMP/home" 2>&1)"
grep -qx "Path=$(printf '%s' "$ROAD_TMP" | sed 's/ /%20/g')/Split%20-%20song.mp3" "$trash/info/Split - song.mp3.trashinfo" \
    || fail "the trash's information does not say where it came from: $(cat "$trash/info/Split - song.mp3.trashinfo")"
[ -z "$(ls "$(dirname "$CLEAVO")" | grep -x -e files -e info)" ] || fail "a trash was made beside the program"
expect_slice "$ROAD_TMP/Split - song.mp3" "$ROAD_TMP/song.mp3" 0 "$(stat -c %s "$ROAD_TMP/song.mp3")"

step "Play New MP3, then Exit"
click_at $AT_PLAY_NEW
sleep 0.5
expect_only_main "while the new MP3 plays"
click_at $AT_EXIT
expect_ended "Exit"
cmp -s "$DATA/cbr_44k_stereo_3000ms.mp3" "$ROAD_TMP/song.mp3" || fail "the source changed"

step "under a file-size limit: a message, the earlier file kept"
printf 'an earlier piece' >"$ROAD_TMP/Split - song.mp3"
ROAD_FSIZE=20000 cleavo_start "$ROAD_TMP/song.mp3"
click_at $AT_BYTE
click_at $AT_DEFAULT
click_at $AT_SPLIT_NOW
answer_box "MP3 Cleavo"
kill -0 "$CLEAVO_PID" 2>/dev/null || fail "the program ended at the limit"
[ "$(cat "$ROAD_TMP/Split - song.mp3")" = "an earlier piece" ] || fail "the earlier file changed"
expect_only_main "after the message"
click_at $AT_EXIT
expect_ended "Exit"
