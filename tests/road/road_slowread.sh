#!/bin/bash
# A long MP3 on a slow disk (every read slowed down, as from a USB stick): the
# window answers at once and keeps answering while the file is read, its length
# shows from the file's header before the reading ends, Play plays at once and
# goes on when the reading ends, a place past what is read waits with a progress
# window that Escape cancels; with the exact switch the waveform fills in as it
# is read;
# Exit or a SIGTERM while it is read end the program at once.
[ -n "${ROAD_PRIVATE_BUS:-}" ] || ROAD_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
mkdir -p "$ROAD_TMP/music"
# Twelve minutes of the test tone, behind a fresh header that counts them all.
list="$ROAD_TMP/list.txt"
for _ in $(seq 1 240); do echo "file '$DATA/cbr_44k_stereo_3000ms.mp3'"; done >"$list"
ffmpeg -v error -f concat -safe 0 -i "$list" -c copy -f mp3 -y "$ROAD_TMP/music/long.mp3" || fail "ffmpeg"
bytes=$(stat -c %s "$ROAD_TMP/music/long.mp3")
# 1.5 MB a second: some eight seconds to read it whole.
export LD_PRELOAD="$CLEAVO_FAULTS"
export CLEAVO_SLOW_READS="1500000:$ROAD_TMP/music"

mpris() { # METHOD [ARGS...]
    gdbus call --session --dest org.mpris.MediaPlayer2.cleavo --object-path /org/mpris/MediaPlayer2 \
        --method "$@" 2>&1
}
property() { mpris org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1"; }
now_ms() { date +%s%3N; }

step "the file chosen ($bytes bytes)"
started=$(now_ms)
cleavo_start "$ROAD_TMP/music/long.mp3"
shown=$(now_ms)
WAIT=5 until_true sh -c 'gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner org.mpris.MediaPlayer2.cleavo | grep -q true' \
    || fail "the player is not offered on the bus"
length_us() { property Metadata | grep -o "'mpris:length': <int64 [0-9]*>" | grep -o '[0-9]*>' | tr -d '>'; }
WAIT=2 until_true sh -c "[ -n \"\$( $(declare -f mpris property length_us); length_us)\" ] && [ \"\$( $(declare -f mpris property length_us); length_us)\" -gt 0 ]" \
    || fail "no length shows while the file is read"
length=$(length_us)
known=$(now_ms)
[ $((length / 1000000)) -ge 715 ] && [ $((length / 1000000)) -le 735 ] || fail "the length shown is $length us, not some twelve minutes"
step "the window showed in $((shown - started)) ms, the length in $((known - started)) ms"

step "it answers while the file is read"
click_at $AT_BYTE
for _ in 1 2 3 4 5; do
    t0=$(now_ms)
    property PlaybackStatus | grep -q Stopped || fail "the window does not answer"
    took=$(($(now_ms) - t0))
    [ "$took" -lt 200 ] || fail "the window took $took ms to answer"
    sleep 0.2
done
import -window root "$ROAD_TMP/reading.png" 2>/dev/null

step "a place past what is read waits for the whole file; Escape cancels the wait"
click_at $AT_LISTEN
click_at $AT_FORWARD
progress=$(window_titled "MP3 Cleavo") || exit 1
xdotool windowactivate --sync "$progress" key Escape
WAIT=3 until_true sh -c "! xdotool search --onlyvisible --pid $CLEAVO_PID 2>/dev/null | grep -qx $progress" \
    || fail "the progress window stayed after Escape"
sleep 0.3 # the wait ends, and the controls take clicks again
property PlaybackStatus | grep -q Stopped || fail "something played after the cancelled wait"

step "Play plays at once, from the start, while the file is read, and on once it is read"
t0=$(now_ms)
click_at $AT_PLAY
playing() { property PlaybackStatus | grep -q Playing; }
WAIT=1 until_true playing || fail "Play did not play at once"
step "playing $(($(now_ms) - t0)) ms after the click"
sleep 9 # past the end of the reading
playing || fail "the playing stopped when the reading ended"
position=$(property Position | grep -o '[0-9]\+' | tail -n 1)
[ "${position:-0}" -gt 8000000 ] || fail "the position is ${position:-nothing} us after nine seconds of playing"
ended=$(now_ms)
expect_only_main "after the reading"
click_at $AT_EXIT
expect_ended "Exit"

for how in Exit SIGTERM; do
    step "$how while the file is read ends the program at once"
    cleavo_start "$ROAD_TMP/music/long.mp3"
    if [ "$how" = Exit ]; then click_at $AT_EXIT; else kill -TERM "$CLEAVO_PID"; fi
    WAIT=1 until_true sh -c "! kill -0 $CLEAVO_PID 2>/dev/null" || fail "$how: still running a second later"
done

step "with the exact switch, the waveform fills in as the file is read, and the window answers meanwhile"
cleavo_start "$ROAD_TMP/music/long.mp3"
click_at $AT_EXACT
drawn_early() { strip_shot "$ROAD_TMP/early.png" && [ "$(strip_ink "$ROAD_TMP/early.png" 0)" -ge 10 ]; }
WAIT=4 until_true drawn_early || fail "nothing of the file is drawn while it is read"
[ "$(strip_ink "$ROAD_TMP/early.png" 440)" -le 2 ] || fail "the end is drawn before it is read"
for _ in 1 2 3; do
    t0=$(now_ms)
    property PlaybackStatus | grep -q Stopped || fail "the window does not answer while it draws"
    took=$(($(now_ms) - t0))
    [ "$took" -lt 200 ] || fail "the window took $took ms to answer while it draws"
    sleep 0.3
done
sleep 8 # past the end of the reading
strip_shot "$ROAD_TMP/read.png"
[ "$(strip_ink "$ROAD_TMP/read.png" 440)" -ge 10 ] || fail "the end is not drawn once the file is read"
expect_only_main "after the reading, with the waveform"
click_at $AT_EXIT
expect_ended "Exit"
