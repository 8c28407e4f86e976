#!/bin/bash
# The waveform strip: shown below the window's controls once "Cut at the exact
# marks" is clicked (the window grows by it), clicked to move the position,
# zoomed with the keys, and clicked again; the marks set from those clicks
# are where the clicks were, and the piece cut there is the source's from the
# one to the other. The picture shows the tone, the silence and the tone.
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
cp "$DATA/gaps_44k_3000ms.mp3" "$ROAD_TMP/gaps.mp3"
# The track's length as a gapless decoder gives it, in samples at 44.1 kHz.
samples=$(( $(ffmpeg -v error -i "$ROAD_TMP/gaps.mp3" -f s16le -ac 1 - | wc -c) / 2 ))
cleavo_start "$ROAD_TMP/gaps.mp3"
expect_only_main "after the start"
before=$(xwininfo -id "$MAIN_WIN" | awk '/Height:/ { print $2 }')

step "the switch shows the strip, and the window grows by it"
click_at $AT_EXACT
click_at $AT_DEFAULT
WAIT=5 until_true sh -c "[ \$(xwininfo -id $MAIN_WIN | awk '/Height:/ { print \$2 }') -gt $before ]" \
    || fail "the window did not grow (height $before)"
shot="$ROAD_TMP/strip.png"
sleep 0.5 # the decoded view
strip_shot "$shot"
# Ink in the first and the last second, none in the middle one.
strip_width=$STRIP_WIDTH
x_of() { echo $(( $1 * strip_width / (samples * 1000 / 44100) )); }
for at in 500 2500; do
    [ "$(strip_ink "$shot" "$(x_of $at)")" -ge 10 ] || fail "no sound drawn at $at ms"
done
[ "$(strip_ink "$shot" "$(x_of 1400)")" -le 2 ] || fail "the silence is not flat ($(strip_ink "$shot" "$(x_of 1400)")% ink)"

# Where a click at column x of the strip puts the position, in the whole view.
ms_per_px_whole=$(awk -v s="$samples" -v w=$strip_width 'BEGIN { printf "%.6f", s * 1000 / 44100 / w }')
step "a click in the strip at 600 ms, the view zoomed twice about it, a click 120 columns later"
x1=$(awk -v m=$ms_per_px_whole 'BEGIN { printf "%d", 600 / m + 0.5 }')
click_at $((7 + x1)) 625
t1=$(awk -v m=$ms_per_px_whole -v x=$x1 'BEGIN { printf "%d", x * m + 0.5 }')
press_key plus
press_key equal
# The position stays under its column; each step zooms by 1.5.
ms_per_px=$(awk -v m=$ms_per_px_whole 'BEGIN { printf "%.6f", m / 2.25 }')
x2=$((x1 + 120))
click_at $((7 + x2)) 625
click_at $AT_SET_START
t2=$(awk -v a=$t1 -v m=$ms_per_px 'BEGIN { printf "%d", a + 120 * m + 0.5 }')
step "the start mark at $t2 ms; the end mark from a click 150 columns further"
click_at $((7 + x2 + 150)) 625
t3=$(awk -v a=$t2 -v m=$ms_per_px 'BEGIN { printf "%d", a + 150 * m + 0.5 }')
click_at $AT_SET_END
answer_box "MP3 Cleavo"
expect_only_main "after the success message"
out="$ROAD_TMP/Split - gaps.mp3"
placed=$("$PLACEPIECE" "$ROAD_TMP/gaps.mp3" "$out") || fail "the piece's samples are not the source's"
set -- $placed
start_ms=$(($1 * 1000 / $3)); end_ms=$((($1 + $2) * 1000 / $3))
# Within two columns' time of where the clicks were.
slack=$(awk -v m=$ms_per_px 'BEGIN { printf "%d", 2 * m + 2 }')
[ $((start_ms - t2)) -le "$slack" ] && [ $((t2 - start_ms)) -le "$slack" ] \
    || fail "the piece starts at $start_ms ms, the click was at $t2 ms"
[ $((end_ms - t3)) -le "$slack" ] && [ $((t3 - end_ms)) -le "$slack" ] \
    || fail "the piece ends at $end_ms ms, the click was at $t3 ms"
step "the piece is the source's $start_ms ms to $end_ms ms (clicks at $t2 and $t3 ms)"
click_at $AT_EXIT
expect_ended "Exit"
