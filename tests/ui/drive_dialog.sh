#!/bin/sh
# Plays a user on the program's dialog under a private X server (run through
# xvfb-run): starts `APP apply --dialog PHOTO -o OUT`, waits for the window,
# then acts by MODE:
#   screenshot  keep a picture of the screen in SHOT and the window's
#               position in SHOT.where, then press Escape
#   focus100    press on the Focus slider at left + 126, release, press Return
#   escape      press Escape
# Prints "exit N" with the program's exit status.
set -u
MODE=$1 APP=$2 PHOTO=$3 OUT=$4 SHOT=${5:-}
SCALE=${GDK_SCALE:-1}
ASAN_OPTIONS=detect_leaks=0 "$APP" apply --quiet --dialog "$PHOTO" -o "$OUT" &
PID=$!
WINDOW=$(timeout 60 xdotool search --sync --onlyvisible --name '^Twilightomator$' | head -n 1)
if [ -z "$WINDOW" ]; then
    echo "no window"
    kill "$PID" 2>/dev/null
    exit 1
fi
xdotool windowfocus --sync "$WINDOW" 2>/dev/null
# The first preview is drawn before the loop runs; let the server catch up.
sleep 1
case $MODE in
screenshot)
    # A loaded machine may still be drawing the window.
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$WINDOW")"
    echo "$X $Y $SCALE" > "$SHOT.where"
    import -window root "$SHOT"
    xdotool key Escape
    ;;
focus100)
    # Client points are device pixels times the desktop scale.
    xdotool mousemove --window "$WINDOW" $(( (130 + 126) * SCALE )) $(( 96 * SCALE )) mousedown 1
    sleep 0.2
    xdotool mouseup 1
    sleep 0.5
    xdotool key Return
    ;;
escape)
    xdotool key Escape
    ;;
esac
wait "$PID"
echo "exit $?"
