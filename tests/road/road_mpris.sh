#!/bin/bash
# The desktop's media controls over a private session bus: Play, the
# position, CanPlay in byte mode, and PlayPause behind a modal dialog.
[ -n "${ROAD_PRIVATE_BUS:-}" ] || ROAD_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
. "$(dirname "$0")/roadlib.sh"
road_x 1280x800
cp "$DATA/cbr_44k_stereo_3000ms.mp3" "$ROAD_TMP/song.mp3"
cleavo_start "$ROAD_TMP/song.mp3"

mpris() { # METHOD [ARGS...]
    gdbus call --session --dest org.mpris.MediaPlayer2.cleavo --object-path /org/mpris/MediaPlayer2 \
        --method "$@" 2>&1
}
property() { mpris org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1"; }
WAIT=5 until_true sh -c 'gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner org.mpris.MediaPlayer2.cleavo | grep -q true' \
    || fail "the player is not offered on the bus"

step "Play and the position"
mpris org.mpris.MediaPlayer2.Player.Play >/dev/null
playing() { property PlaybackStatus | grep -q Playing; }
WAIT=3 until_true playing || fail "Play did not play"
sleep 1
position=$(property Position | grep -o '[0-9]\+' | tail -n 1)
[ "${position:-0}" -gt 500000 ] || fail "the position is ${position:-nothing} after a second"
mpris org.mpris.MediaPlayer2.Player.Stop >/dev/null

step "CanPlay in byte mode"
click_at $AT_BYTE
property CanPlay | grep -q false || fail "CanPlay is $(property CanPlay) in byte mode"
mpris org.mpris.MediaPlayer2.Player.Play >/dev/null
sleep 0.3
property PlaybackStatus | grep -q Stopped || fail "Play played in byte mode"
click_at $AT_LISTEN
property CanPlay | grep -q true || fail "CanPlay is $(property CanPlay) in listening mode"

step "PlayPause behind the open dialog"
click_at $AT_SELECT
window_titled "Open" >/dev/null || exit 1
answer=$(mpris org.mpris.MediaPlayer2.Player.PlayPause)
case "$answer" in *Error*) ;; *) fail "PlayPause behind the dialog answered: $answer" ;; esac
sleep 0.3
property PlaybackStatus | grep -q Stopped || fail "PlayPause played behind the dialog"
press_key Escape
expect_only_main "after the open dialog"
click_at $AT_EXIT
expect_ended "Exit"
