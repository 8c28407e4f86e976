#!/bin/bash
# Keys: Ctrl+O opens the open dialog, the media Play key plays, F1 hands the
# help page to xdg-open, Ctrl+Q ends the program.
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
cp "$DATA/cbr_44k_stereo_3000ms.mp3" "$ROAD_TMP/song.mp3"
# A stand-in for the desktop's opener that notes what it was given.
mkdir -p "$ROAD_TMP/bin"
printf '#!/bin/sh\necho "$@" >>"%s/opened"\n' "$ROAD_TMP" >"$ROAD_TMP/bin/xdg-open"
chmod +x "$ROAD_TMP/bin/xdg-open"
export PATH="$ROAD_TMP/bin:$PATH"
cleavo_start

step "Ctrl+O, a typed path, and Ctrl+O again"
press_key ctrl+o
window_titled "Open" >/dev/null || exit 1
sleep 0.3
type_text "$ROAD_TMP/song.mp3"
press_key Return
expect_only_main "after the open dialog"
press_key ctrl+o
window_titled "Open" >/dev/null || exit 1
press_key Escape
expect_only_main "after the open dialog, cancelled"

step "the media Play key"
# The position bar and its label change while the source plays.
shot() { import -window "$MAIN_WIN" -crop 330x40+77+250 +repage "$ROAD_TMP/$1.png" 2>/dev/null; md5sum <"$ROAD_TMP/$1.png"; }
before=$(shot before)
press_key XF86AudioPlay
sleep 1
[ "$(shot playing)" != "$before" ] || fail "the Play key did not play"
press_key XF86AudioPlay # pauses
sleep 0.3
paused=$(shot paused)
sleep 0.6
[ "$(shot still)" = "$paused" ] || fail "the second Play key press did not pause"

step "F1"
press_key F1
WAIT=5 until_true grep -q "help.html" "$ROAD_TMP/opened" 2>/dev/null || fail "F1 opened no help page"
expect_only_main "after F1"

step "Ctrl+Q"
press_key ctrl+q
expect_ended "Ctrl+Q"
