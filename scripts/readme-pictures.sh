#!/bin/sh
# Makes the README's pictures from the built program, so that they show what
# it does today: docs/images/before-after.jpg (the sample photo and the
# filter's result side by side) and docs/images/dialog.png (the dialog over
# the photo, under a private X server).
#
#   scripts/readme-pictures.sh [BUILD_DIR]     (default: build)
#
# Needs ImageMagick (convert, import), xvfb-run and xdotool, as the dialog
# tests do (scripts/install-deps.sh installs them).
set -eu
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$HERE/build}
APP=$BUILD/bin/twilightomator
PHOTO=$HERE/docs/images/coffee.jpg
OUT=$HERE/docs/images
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# A look that shows most of the filter: the cup stays sharp, the table
# blurs, darkens toward the corners and turns warm.
LOOK="--focus 70 --clear-area 45 --vignette 70 --sepia 35 --dampen 40 --saturation 30 --x-center 0.42 --y-center 0.45"

# shellcheck disable=SC2086
TMPDIR=$WORK "$APP" apply --quiet "$PHOTO" -o "$WORK/moody.png" $LOOK
convert "$PHOTO" "$WORK/moody.png" -resize 360x240 +append -strip -quality 82 "$OUT/before-after.jpg"

# The dialog opens with the same look over the photo enlarged so that, at
# the preview's fit (50 %), it fills the preview's width; its window alone is
# kept, then the dialog is cancelled.
convert "$PHOTO" -resize 852x568 "$WORK/photo.png"
cat > "$WORK/shoot.sh" <<'EOF'
set -eu
# shellcheck disable=SC2086
"$APP" apply --quiet --dialog "$PHOTO" -o "$WORK/never.png" $LOOK &
PID=$!
WINDOW=$(timeout 60 xdotool search --sync --onlyvisible --name '^Twilightomator$' | head -n 1)
sleep 2
import -window "$WINDOW" "$WORK/dialog.png"
xdotool windowfocus --sync "$WINDOW" key Escape
wait "$PID" || true
EOF
APP=$APP PHOTO=$WORK/photo.png WORK=$WORK LOOK=$LOOK TMPDIR=$WORK \
    xvfb-run -a -s '-screen 0 1280x800x24' sh "$WORK/shoot.sh" 2>/dev/null
convert "$WORK/dialog.png" -strip -colors 256 "PNG8:$OUT/dialog.png"
ls -l "$OUT/before-after.jpg" "$OUT/dialog.png"
