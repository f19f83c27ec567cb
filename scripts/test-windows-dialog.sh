#!/bin/sh
# The Windows dialog under Wine on a private X server, played with xdotool
# (tests/ui/drive_dialog.sh, the same moves as the GTK dialog's tests):
#   - the dialog opens at 799 x 579 client pixels over a photo, the preview
#     shows it filtered, at 96 and (Wine's LogPixels 192) 192 dots per inch,
#     where the window is twice the size;
#   - Focus slider then Return writes what the Linux `apply --focus 100`
#     writes; Escape writes nothing and exits 3; Reset then Return writes the
#     defaults' result;
#   - the About box from the logo and from `about`, the Info box, the size
#     dialog, the preset chooser (showing the preset's picture) and the
#     colour chooser open;
#   - a host without advanceState gets the refusal box and exit status 1.
# Run by scripts/test-windows.sh with WINEPREFIX set; prints "ok"/"FAIL"
# lines and ends with "N passed, N failed". Screenshots are kept in
# build-win/wine-test/dialog/ for a person to look at.
set -u
cd "$(dirname "$0")/.."
LINUX_BIN="${TWL_LINUX_BUILD:-build}/bin"
ROOT="$(pwd)"
WORK="$ROOT/build-win/wine-test/dialog"
DRIVE="$ROOT/tests/ui/drive_dialog.sh"
EXE="$ROOT/build-win/bin/twilightomator.exe"
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }

for tool in Xvfb xdotool import convert; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "skipped: $tool is missing (scripts/install-deps.sh installs it)"
        exit 0
    fi
done

rm -rf "$WORK"
mkdir -p "$WORK/../dialog-linux-tmp"
# A display of our own for the whole run: Wine's desktop process stays tied to it.
DISPLAY_NUMBER=${TWL_WINE_DISPLAY:-57}
while [ -e "/tmp/.X$DISPLAY_NUMBER-lock" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
Xvfb ":$DISPLAY_NUMBER" -screen 0 2000x1400x24 -nolisten tcp > /dev/null 2>&1 &
XVFB=$!
DISPLAY=":$DISPLAY_NUMBER"
export DISPLAY
cleanup() {
    wineserver -k > /dev/null 2>&1
    kill "$XVFB" 2> /dev/null
}
trap cleanup EXIT
sleep 1

# The program under Wine, as drive_dialog.sh calls its APP.
cat > "$WORK/wine-app.sh" << EOF
#!/bin/sh
exec wine "$EXE" "\$@"
EOF
chmod +x "$WORK/wine-app.sh"

# Wine's temporary folder holds the plug-in's store: no cached settings or
# memory dots from earlier runs, so the dialog opens at the defaults.
forget_store() {
    find "$WINEPREFIX/drive_c/users" -name 'Twilightomator *' -exec rm -f {} + 2> /dev/null
}
set_dpi() {
    wineserver -k > /dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f > /dev/null 2>&1
    wineserver -w
}

cd "$WORK"
convert -seed 4 -size 1200x800 plasma:fractal -blur 0x1 photo.jpg
drive() {  # MODE OUT [SHOT]: the last line of drive_dialog.sh
    sh "$DRIVE" "$1" "$WORK/wine-app.sh" "$WORK/photo.jpg" "$2" "${3:-}" 2>&1 | tail -n 1
}
# The mean of the channels over a client rectangle of a screenshot, 0..255.
mean_at() {  # SHOT LEFT TOP RIGHT BOTTOM
    read -r x y scale _ < "$1.where"
    convert "$1" -crop "$((($4 - $2) * scale))x$((($5 - $3) * scale))+$((x + $2 * scale))+$((y + $3 * scale))" \
        -format '%[fx:int(255*mean+0.5)]' info:
}

for dpi in 96 192; do
    if [ "$dpi" = 192 ]; then scale=2; shot=dialog-win32@2.png; else scale=1; shot=dialog-win32.png; fi
    set_dpi "$dpi"
    forget_store
    result=$(GDK_SCALE=$scale drive screenshot "$WORK/never.png" "$WORK/$shot")
    if [ "$result" = "exit 3" ] && [ ! -e never.png ]; then pass "$dpi dpi: Escape writes nothing, exit 3"; else fail "$dpi dpi: Escape gave '$result'"; fi
    if [ ! -f "$shot" ]; then
        fail "$dpi dpi: no screenshot"
        continue
    fi
    # The client area's size: the X window Wine makes for the client area.
    read -r x y s width height < "$shot.where"
    # The preview: white round the photo (fit factor 3: 400 x 266 at 365, 79),
    # and the photo filtered: the vignette darkens the corner against the middle.
    surround=$(mean_at "$shot" 355 30 362 60)
    corner=$(mean_at "$shot" 366 80 386 100)
    middle=$(mean_at "$shot" 555 202 575 222)
    strip=$(mean_at "$shot" 10 280 30 320)
    if [ "$width" = "$((799 * scale))" ] && [ "$height" = "$((579 * scale))" ] && [ "$surround" = 255 ] && [ "$corner" -lt $((middle / 2)) ] && [ "$strip" -lt 120 ]; then
        pass "$dpi dpi: the dialog and its filtered preview stand where the layout says"
    else
        fail "$dpi dpi: client $width x $height, surround $surround, corner $corner, middle $middle, background $strip"
    fi
done
set_dpi 96

# Focus slider to 100, Return: the pixels of `apply --focus 100` on Linux.
forget_store
result=$(drive focus100 "$WORK/focus.png")
(cd "$WORK" && TMPDIR="$WORK/../dialog-linux-tmp" "$ROOT/$LINUX_BIN/twilightomator" apply --quiet photo.jpg -o focus-linux.png --focus 100)
if [ "$result" = "exit 0" ] && [ -f focus.png ] && "$ROOT/$LINUX_BIN/twl_compare_images" focus.png focus-linux.png > /dev/null 2>&1; then
    pass "Focus to 100 and OK: the pixels of apply --focus 100"
else
    fail "Focus to 100 and OK: '$result', or the pixels differ"
fi

# Reset then Return: the defaults' result.
result=$(drive reset "$WORK/reset.png")
(cd "$WORK" && rm -rf ../dialog-linux-tmp && mkdir ../dialog-linux-tmp && TMPDIR="$WORK/../dialog-linux-tmp" "$ROOT/$LINUX_BIN/twilightomator" apply --quiet photo.jpg -o plain-linux.png)
if [ "$result" = "exit 0" ] && [ -f reset.png ] && "$ROOT/$LINUX_BIN/twl_compare_images" reset.png plain-linux.png > /dev/null 2>&1; then
    pass "Reset and OK: the pixels of apply at the defaults"
else
    fail "Reset and OK: '$result', or the pixels differ"
fi

# The small windows from the main dialog.
for mode in about info size chooser colour; do
    # The chooser starts in the working folder: a preset with a picture to show.
    [ "$mode" = chooser ] && TMPDIR="$WORK/../dialog-linux-tmp" "$ROOT/$LINUX_BIN/twilightomator" preset save \
        "a first preset.z5a" --focus 80 --from photo.jpg > /dev/null 2>&1
    forget_store
    # The system's chooser opens with the focus in the name box, after the file list.
    result=$(TWL_CHOOSER_KEYS="shift+Tab Home" TWL_COLOUR_TITLE='^Color$' \
        drive "$mode" "$WORK/never.png" "$WORK/$mode-win32.png")
    case $result in
    "exit 3") if [ -f "$mode-win32.png" ]; then pass "the $mode window opens and closes"; else fail "the $mode window: no screenshot"; fi ;;
    *) fail "the $mode window: '$result'" ;;
    esac
done

# The About box asked for as a host asks for it (selector 0).
wine "$EXE" about > about.log 2>&1 &
ABOUT=$!
box=$(timeout 60 xdotool search --sync --onlyvisible --name '^About$' | head -n 1)
if [ -n "$box" ]; then
    xdotool windowfocus --sync "$box" 2> /dev/null
    sleep 1
    import -window root about-command-win32.png
    xdotool key Return
fi
( sleep 30; kill "$ABOUT" 2> /dev/null ) > /dev/null 2>&1 &
wait "$ABOUT"
status=$?
if [ -n "$box" ] && [ "$status" = 0 ]; then pass "about: the About box"; else fail "about: no box or exit $status"; fi

# A host without advanceState: the refusal box, nothing written, exit 1.
wine "$EXE" apply --quiet --dialog --without-advance-state photo.jpg -o refused.png > refusal.log 2>&1 &
REFUSED=$!
box=$(timeout 60 xdotool search --sync --onlyvisible --name '^Plug-in error$' | head -n 1)
if [ -n "$box" ]; then
    xdotool windowfocus --sync "$box" 2> /dev/null
    sleep 1
    import -window root refusal-win32.png
    xdotool key Escape
fi
( sleep 30; kill "$REFUSED" 2> /dev/null ) > /dev/null 2>&1 &
wait "$REFUSED"
status=$?
if [ -n "$box" ] && [ "$status" = 1 ] && [ ! -e refused.png ]; then
    pass "a host without advanceState: the refusal box, exit 1"
else
    fail "a host without advanceState: box '$box', exit $status"
fi

echo "The Windows dialog under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
