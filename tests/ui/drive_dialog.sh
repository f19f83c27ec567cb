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
#   psd         export a large PSD through the PSD button (size, then save
#               chooser); once its progress window shows, keep a picture of
#               the screen in SHOT and, once the percentage has changed, a
#               second one in SHOT-later.png; then close the progress window
#               with Escape, say how long it took to go, and press Escape
#   terminate   send SIGTERM to the program while the dialog is open
# Prints "exit N" with the program's exit status.
# GDK_SCALE gives the desktop scale the client points are multiplied by.
set -u
MODE=$1 APP=$2 PHOTO=$3 OUT=$4 SHOT=${5:-}
SCALE=${GDK_SCALE:-1}
# The first visible window named like $1, looked for again and again for up
# to $2 seconds; empty when none came. Not `search --sync`: a window that
# goes while xdotool walks the tree (a chooser closing, a tooltip) ends
# that search with an X error, which must not end the wait.
find_window() {
    FOUND=""
    END=$(($(date +%s) + $2))
    while [ -z "$FOUND" ] && [ "$(date +%s)" -lt "$END" ]; do
        FOUND=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$FOUND" ] || sleep 0.3
    done
    echo "$FOUND"
}
# One thread on the plain path keeps a large export slow enough to watch.
SPEED=""
[ "$MODE" = psd ] && SPEED="--threads 1 --simd scalar"
# shellcheck disable=SC2086
ASAN_OPTIONS=detect_leaks=0 "$APP" apply --quiet $SPEED --dialog "$PHOTO" -o "$OUT" &
PID=$!
WINDOW=$(find_window '^Twilightomator$' 60)
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
psd)
    xdotool mousemove --window "$WINDOW" $(( 234 * SCALE )) $(( 546 * SCALE )) click 1
    SIZE=$(find_window '^Export PSD image$' 30)
    xdotool windowfocus --sync "$SIZE" 2>/dev/null
    # Typing a width makes the size custom; then the height, then OK.
    xdotool mousemove --window "$SIZE" $(( 72 * SCALE )) $(( 92 * SCALE )) click 1 key ctrl+a type 4000
    xdotool mousemove --window "$SIZE" $(( 182 * SCALE )) $(( 92 * SCALE )) click 1 key ctrl+a type 2800
    xdotool mousemove --window "$SIZE" $(( 92 * SCALE )) $(( 128 * SCALE )) click 1
    SAVE=$(find_window '^Save a PSD file$' 30)
    xdotool windowfocus --sync "$SAVE" 2>/dev/null
    sleep 1
    xdotool key ctrl+a type "$OUT.psd"
    xdotool key Return
    PROGRESS=$(find_window '^PSD file progress$' 30)
    if [ -n "$PROGRESS" ]; then
        sleep 0.5
        eval "$(xdotool getwindowgeometry --shell "$PROGRESS")"
        echo "$X $Y $SCALE" > "$SHOT.where"
        import -window root "$SHOT"
        # The percentage line of the window: watch it until it changes (the
        # job first spends some seconds making the large image).
        LATER="${SHOT%.png}-later.png"
        CROP="$(( 153 * SCALE ))x$(( 14 * SCALE ))+$X+$(( Y + 42 * SCALE ))"
        convert "$SHOT" -crop "$CROP" +repage "$SHOT.first.png"
        WAITED=0
        while [ $WAITED -lt 60 ]; do
            sleep 1
            WAITED=$((WAITED + 1))
            import -window root "$LATER"
            convert "$LATER" -crop "$CROP" +repage "$SHOT.now.png"
            [ "$(compare -metric AE "$SHOT.first.png" "$SHOT.now.png" null: 2>&1)" != "0" ] && break
        done
        rm -f "$SHOT.first.png" "$SHOT.now.png"
        echo "percentage moved after $WAITED s"
        xdotool windowfocus --sync "$PROGRESS" 2>/dev/null
        xdotool key --window "$PROGRESS" Escape
        GONE=0
        while [ $GONE -lt 60 ] && xdotool search --onlyvisible --name '^PSD file progress$' >/dev/null 2>&1; do
            sleep 0.5
            GONE=$((GONE + 1))
        done
        echo "progress closed after $GONE half-seconds"
    else
        echo "no progress window"
    fi
    xdotool windowfocus --sync "$WINDOW" 2>/dev/null
    xdotool key Escape
    ;;
terminate)
    STARTED=$(date +%s)
    kill -TERM "$PID"
    # A program that holds the signal is ended after 20 s.
    ( sleep 20; kill -KILL "$PID" 2>/dev/null ) > /dev/null 2>&1 &
    WATCH=$!
    wait "$PID"
    STATUS=$?
    kill "$WATCH" 2>/dev/null
    echo "ended after $(( $(date +%s) - STARTED )) s"
    echo "exit $STATUS"
    exit 0
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
    SMALL=$(find_window "$NAME" 30)
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
