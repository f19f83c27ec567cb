#!/bin/sh
# Plays a user on the program's dialog under a private X server (run through
# xvfb-run): starts `APP apply --dialog PHOTO -o OUT`, waits for the window,
# then acts by MODE:
#   screenshot  keep a picture of the screen in SHOT and the window's
#               position, scale and size in SHOT.where, then press Escape
#   focus100    press on the Focus slider at left + 126, release, press Return
#   escape      press Escape
#   reset       click Reset, then press Return
#   about, info, size, chooser, colour
#               open the About box (logo), the Info box, the export size
#               dialog (PSD), the preset chooser (Load, then the first
#               preset of the working folder selected) or the vignette's
#               colour chooser (its title in TWL_COLOUR_TITLE), keep a
#               picture of the screen in SHOT, close it with Escape, then
#               press Escape
# Prints "exit N" with the program's exit status.
# GDK_SCALE gives the desktop scale the client points are multiplied by.
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
    echo "$X $Y $SCALE $WIDTH $HEIGHT" > "$SHOT.where"
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
reset)
    xdotool mousemove --window "$WINDOW" $(( 160 * SCALE )) $(( 546 * SCALE )) click 1
    sleep 1
    xdotool key Return
    ;;
about|info|size|chooser|colour)
    case $MODE in
    about) X=33 Y=547 NAME='^About$' ;;
    info) X=493 Y=448 NAME='^Info$' ;;
    size) X=234 Y=546 NAME='^Export PSD image$' ;;
    chooser) X=160 Y=498 NAME='^Open a settings file$' ;;
    colour) X=321 Y=251 NAME=${TWL_COLOUR_TITLE:-'^Choose the vignette color\.$'} ;;
    esac
    xdotool mousemove --window "$WINDOW" $(( X * SCALE )) $(( Y * SCALE )) click 1
    SMALL=$(timeout 30 xdotool search --sync --onlyvisible --name "$NAME" | head -n 1)
    if [ -n "$SMALL" ]; then
        xdotool windowfocus --sync "$SMALL" 2>/dev/null
        if [ "$MODE" = chooser ]; then
            sleep 1
            # The chooser starts in the working folder: select its first preset
            # (TWL_CHOOSER_KEYS: the keys that reach the file list from where
            # the toolkit's chooser puts the focus).
            # shellcheck disable=SC2086
            xdotool key ${TWL_CHOOSER_KEYS:-Down Home}
            sleep 2
        fi
        sleep 1
        eval "$(xdotool getwindowgeometry --shell "$SMALL")"
        echo "$X $Y $SCALE $WIDTH $HEIGHT" > "$SHOT.where"
        import -window root "$SHOT"
        xdotool key Escape
        sleep 1
    else
        echo "no $MODE window"
    fi
    xdotool windowfocus --sync "$WINDOW" 2>/dev/null
    xdotool key Escape
    ;;
esac
# A dialog that never closes must not hold the tests: give it a minute.
# Its output goes nowhere, so that a sleep it leaves behind does not keep the
# caller's pipe open.
( sleep 60; kill "$PID" 2>/dev/null ) > /dev/null 2>&1 &
WATCH=$!
wait "$PID"
STATUS=$?
kill "$WATCH" 2>/dev/null
echo "exit $STATUS"
