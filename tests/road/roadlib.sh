# Shared steps of the road tests: the real program on a real X server with a
# real window manager, driven with xdotool as a person drives it.
#   . roadlib.sh; road_x 1280x800 [panel]; cleavo_start [FILE]; click_at X Y; ...
# Every wait polls with a deadline; a step that fails ends the road with a
# line that says which.

set -u
ROAD_NAME=${ROAD_NAME:-$(basename "$0" .sh)}
ROAD_TMP=$(mktemp -d "${TMPDIR:-/tmp}/road.XXXXXX")
# A real window on the road's own X server: no platform chosen from outside,
# no Wayland, and the desktop's own session bus out of reach (a road that
# needs one starts its own).
unset QT_QPA_PLATFORM WAYLAND_DISPLAY QT_SCALE_FACTOR
if [ -z "${ROAD_PRIVATE_BUS:-}" ]; then
    unset DBUS_SESSION_BUS_ADDRESS
    export XDG_RUNTIME_DIR="$ROAD_TMP/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi
ROAD_PIDS=""
CLEAVO_PID=""
MAIN_WIN=""

fail() {
    echo "FAIL $ROAD_NAME: $*" >&2
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null 2>&1; then
        import -window root "$ROAD_TMP/fail.png" 2>/dev/null && echo "  screenshot: $ROAD_TMP/fail.png" >&2
    fi
    exit 1
}
step() { echo "  $ROAD_NAME: $*" >&2; }

road_cleanup() {
    [ -n "$CLEAVO_PID" ] && kill "$CLEAVO_PID" 2>/dev/null
    for p in $ROAD_PIDS; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    # A failed road keeps its folder (screenshot, logs) for a look.
    [ -e "$ROAD_TMP/fail.png" ] || rm -rf "$ROAD_TMP"
}
trap road_cleanup EXIT

# Polls "$@" every 0.1 s for up to $WAIT seconds (default 10).
until_true() {
    local n=$(( ${WAIT:-10} * 10 ))
    while [ $n -gt 0 ]; do
        "$@" && return 0
        sleep 0.1
        n=$((n - 1))
    done
    return 1
}

# A virtual screen of WxH with openbox, and tint2's panel at the bottom when
# the second argument is "panel".
road_x() {
    local size=${1:-1280x800} fdfile="$ROAD_TMP/displayfd"
    rm -f "$fdfile"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fdfile" >"$ROAD_TMP/xvfb.log" 2>&1 &
    ROAD_PIDS="$ROAD_PIDS $!"
    until_true test -s "$fdfile" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$fdfile")"
    openbox --sm-disable >"$ROAD_TMP/openbox.log" 2>&1 &
    ROAD_PIDS="$ROAD_PIDS $!"
    until_true sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || fail "openbox did not start"
    if [ "${2:-}" = panel ]; then
        mkdir -p "$ROAD_TMP/tint2"
        printf 'panel_position = bottom center horizontal\npanel_size = 100%% 30\nstrut_policy = follow_size\npanel_items = TC\n' \
            >"$ROAD_TMP/tint2/tint2rc"
        tint2 -c "$ROAD_TMP/tint2/tint2rc" >"$ROAD_TMP/tint2.log" 2>&1 &
        ROAD_PIDS="$ROAD_PIDS $!"
        local full="${size%x*}"
        until_true sh -c "xprop -root _NET_WORKAREA 2>/dev/null | grep -qv ', ${size#*x}\$'" \
            || fail "tint2 reserved no space"
    fi
}

# The program with a settings folder of its own, silent audio, and a session
# bus only where the caller set one up.
cleavo_start() {
    export XDG_CONFIG_HOME="$ROAD_TMP/config"
    mkdir -p "$XDG_CONFIG_HOME"
    # The trash in a home that has no data folder yet, as a new account's.
    export XDG_DATA_HOME="$ROAD_TMP/home/.local/share"
    # ROAD_FSIZE: a file-size limit (bytes) for the program alone.
    SDL_AUDIODRIVER=dummy ${ROAD_FSIZE:+prlimit --fsize=$ROAD_FSIZE} "$CLEAVO" "$@" >"$ROAD_TMP/cleavo.log" 2>&1 &
    CLEAVO_PID=$!
    until_true main_window_found || fail "the main window did not show"
    until_true sh -c "xdotool getwindowfocus 2>/dev/null | grep -qx '$MAIN_WIN'" || xdotool windowactivate --sync "$MAIN_WIN"
    sleep 0.3 # the window manager places and decorates it
}
main_window_found() {
    MAIN_WIN=$(xdotool search --onlyvisible --pid "$CLEAVO_PID" --name '^MP3 Cleavo$' 2>/dev/null | head -n 1)
    [ -n "$MAIN_WIN" ]
}

# The program's visible windows other than the main window, tooltips left out.
other_windows() {
    local w type
    for w in $(xdotool search --onlyvisible --pid "$CLEAVO_PID" 2>/dev/null); do
        [ "$w" = "$MAIN_WIN" ] && continue
        type=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)
        case "$type" in *TOOLTIP*) continue ;; esac
        echo "$w"
    done
}
only_main_window() {
    [ -z "$(other_windows)" ]
}
# Fails unless, within a second, the main window is the program's only one.
expect_only_main() {
    WAIT=2 until_true only_main_window || fail "$1: other windows stay visible: $(for w in $(other_windows); do printf '%s "%s" ' "$w" "$(xdotool getwindowname "$w")"; done)"
}

# Waits for a window of the program titled exactly $1 (other than the window
# $2, when given) and prints its id.
window_titled() {
    local title=$1 except=${2:-} w found=""
    for _ in $(seq 1 100); do
        for w in $(other_windows); do
            [ "$w" = "$except" ] && continue
            if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$title" ]; then found=$w; break 2; fi
        done
        sleep 0.1
    done
    [ -n "$found" ] || fail "no window titled \"$title\" (visible: $(for w in $(other_windows); do printf '"%s" ' "$(xdotool getwindowname "$w")"; done))"
    echo "$found"
}

# Answers the box titled $1 with the key $2 (Return: its OK or default
# button); $3: a window of that title that is not the box.
answer_box() {
    local box
    box=$(window_titled "$1" "${3:-}") || exit 1
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    sleep 0.2
    xdotool key --clearmodifiers "${2:-Return}"
    WAIT=5 until_true sh -c "! xdotool search --onlyvisible --pid $CLEAVO_PID 2>/dev/null | grep -qx $box" \
        || fail "the box \"$1\" stayed after ${2:-Return}"
}

# The main window's client area on the screen.
client_origin() {
    xwininfo -id "$MAIN_WIN" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }'
}
# Clicks at X Y of the client area, where the layout places the controls.
click_at() {
    local origin
    origin=$(client_origin)
    xdotool mousemove --sync $(( ${origin% *} + $1 )) $(( ${origin#* } + $2 )) click 1
    sleep 0.2
    # Away from the controls, so that no tooltip opens over the next step.
    xdotool mousemove $(( ${origin% *} + 495 )) $(( ${origin#* } + 110 ))
}
type_text() { xdotool type --delay 15 "$1"; }
press_key() { xdotool key --clearmodifiers "$@"; sleep 0.2; }

# Where the layout puts each control (the middle of it, in the client area).
AT_SELECT="222 56"
AT_LISTEN="111 136"
AT_BYTE="265 136"
AT_STOP="134 235"
AT_PAUSE="209 235"
AT_PLAY="285 235"
AT_FORWARD="257 202"
AT_SET_START="185 312"
AT_SET_END="185 339"
AT_EXACT="338 248"
AT_SPLIT_NOW="98 341"
AT_DEFAULT="30 460"
AT_ASK="30 482"
AT_PLAY_NEW="301 445"
AT_DEFAULT_PLAYER="301 472"
AT_STOP_NEW="301 499"
AT_HELP="434 536"
AT_ABOUT="318 559"
AT_EXIT="434 559"

# The waveform strip, below the controls, as the screen shows it now (into $1),
# and how much of a column of it (from its column $2, 40 columns wide) is ink, in percent.
STRIP_WIDTH=488
strip_shot() {
    import -window "$MAIN_WIN" png:- 2>/dev/null | convert - -crop ${STRIP_WIDTH}x80+7+591 +repage "$1" \
        || fail "no screenshot of the strip"
}
strip_ink() { convert "$1" -crop "40x80+$2+0" -threshold 40% -format "%[fx:int(100*(1-mean))]" info:; }

# The program has ended (by itself) within a few seconds.
expect_ended() {
    WAIT=5 until_true sh -c "! kill -0 $CLEAVO_PID 2>/dev/null" || fail "$1: the program is still running"
    wait "$CLEAVO_PID" 2>/dev/null
    CLEAVO_PID=""
}

# The file $1 holds exactly bytes [$3, $3 + $4) of $2.
expect_slice() {
    local out=$1 src=$2 start=$3 length=$4
    [ -f "$out" ] || fail "$out was not written"
    tail -c +$((start + 1)) "$src" | head -c "$length" | cmp -s - "$out" \
        || fail "$out is not bytes $start..$((start + length)) of $src"
}
# The file $1 is a piece of $2 that starts and ends on whole percentages of
# its size; prints the two percentages.
expect_percent_slice() {
    local out=$1 src=$2 size length p b
    [ -f "$out" ] || fail "$out was not written"
    size=$(stat -c %s "$src"); length=$(stat -c %s "$out")
    # The byte offset of each whole percentage, rounded half to even.
    local -a at
    read -r -a at < <(awk -v s="$size" 'BEGIN { for (p = 0; p <= 100; p++) { x = p * s / 100; r = int(x);
        if (x - r > 0.5 || (x - r == 0.5 && r % 2)) r++; printf "%d ", r } }')
    for p in $(seq 0 99); do
        for b in $(seq $((p + 1)) 100); do
            if [ $((at[b] - at[p])) -eq "$length" ] \
                && tail -c +$((at[p] + 1)) "$src" | head -c "$length" | cmp -s - "$out"; then
                echo "$p $b"
                return 0
            fi
        done
    done
    fail "$out ($length bytes) is no piece of $src between whole percentages"
}
