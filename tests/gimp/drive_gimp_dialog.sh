#!/bin/sh
# Plays a GIMP user under a private X server (run through xvfb-run): GIMP
# starts with the plug-in in the private profile PROFILE and runs the
# Script-Fu file SCRIPT, which opens images in windows and calls the filter
# interactively, once per answer. Each time the filter's dialog shows, this
# script answers with the next of ANSWERS (ok: Return, cancel: Escape); the
# first dialog is kept as a picture of the screen in SHOT.
# Prints "dialogs N" (how many dialogs it answered) and "exit N" (GIMP's status).
set -u
PROFILE=$1 SCRIPT=$2 SHOT=$3
shift 3
GIMP2_DIRECTORY=$PROFILE gimp-2.10 -n -d -f -s --no-splash \
    -b "(load \"$SCRIPT\")" -b '(gimp-quit TRUE)' > "$SHOT.log" 2>&1 &
PID=$!
ANSWERED=0
for ANSWER in "$@"; do
    # Looked for again and again rather than with --sync: a window that
    # goes while xdotool walks the tree (GIMP's progress, the last dialog)
    # ends that search with an X error, which must not end the wait.
    WINDOW=""
    END=$(($(date +%s) + 180))
    while [ -z "$WINDOW" ] && [ "$(date +%s)" -lt "$END" ]; do
        WINDOW=$(xdotool search --onlyvisible --name '^Twilightomator$' 2>/dev/null | head -n 1)
        [ -n "$WINDOW" ] || sleep 0.5
    done
    if [ -z "$WINDOW" ]; then
        echo "no dialog"
        kill "$PID" 2>/dev/null
        break
    fi
    xdotool windowfocus --sync "$WINDOW" 2>/dev/null
    # A loaded machine may still be drawing the preview.
    sleep 3
    if [ "$ANSWERED" -eq 0 ]; then
        import -window root "$SHOT"
    fi
    case $ANSWER in
    ok) xdotool key Return ;;
    cancel) xdotool key Escape ;;
    esac
    ANSWERED=$((ANSWERED + 1))
    # Wait for the dialog to go before looking for the next one.
    timeout 60 sh -c "while xdotool search --onlyvisible --name '^Twilightomator\$' >/dev/null 2>&1; do sleep 0.5; done"
done
echo "dialogs $ANSWERED"
# GIMP quits (unsaved images and all) once the script is done.
if ! timeout 300 tail --pid="$PID" -f /dev/null; then
    echo "GIMP did not quit"
    kill "$PID" 2>/dev/null
fi
wait "$PID"
echo "exit $?"
