#!/bin/bash
# Without a session bus none is started: after a selection, a message box and
# Exit, no bus launched for the display is left.
. "$(dirname "$0")/roadlib.sh"
# (the road's own runtime folder has no bus in it)
launched() { pgrep -f -- 'dbus-daemon --syslog-only --fork --print-pid' | sort; }
before=$(launched)
road_x 1280x800
cp "$DATA/cbr_44k_stereo_3000ms.mp3" "$ROAD_TMP/song.mp3"
cleavo_start "$ROAD_TMP/song.mp3"
click_at $AT_BYTE
click_at $AT_DEFAULT
click_at $AT_SPLIT_NOW
answer_box "MP3 Cleavo"
click_at $AT_PLAY_NEW
sleep 0.5
click_at $AT_EXIT
expect_ended "Exit"
[ "$(launched)" = "$before" ] || fail "a session bus was started: $(launched)"
