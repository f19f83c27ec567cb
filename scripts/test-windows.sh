#!/bin/sh
# Runs the Windows build (build-win/, from scripts/build-windows.sh) under
# Wine beside the Linux build (build/, or $TWL_LINUX_BUILD) and checks that
# both give the same results on the same inputs and settings:
#   - apply on PNG, TIFF and JPEG files of every layout and depth (8/16/32
#     bits, grey and RGB, with alpha, through a mask): pixel-identical files;
#   - info and modes: the same text;
#   - preset save: byte-identical presets but for the date they carry;
#   - a recorded step replayed in a new process and twice in one, and the
#     Repeat of the cached settings: the same pixels;
#   - names outside the ANSI code page (apply, preset save, a gallery's
#     caption and picture), paths over 260 characters, and a read-only file
#     replaced with --force that stays read-only;
# with the Windows program's host behaving its own way and like the real
# hosts (TWL_HOST_BEHAVIOUR=real: the 556-byte record before a guard page,
# keys marked 'null' as they are read, opaque pictures as layers), and
# with each vector level forced on Windows; first, the module's exports and
# imports and the Windows suites (build-win's ctest: platform, kernels and
# effect) under Wine; last, the dialog played on a private X server
# (scripts/test-windows-dialog.sh).
# Inputs are made from the Linux program's sample scene with ImageMagick.
# Ends with "N passed, N failed"; exits non-zero when anything differs.
set -e
cd "$(dirname "$0")/.."
LINUX_BIN="${TWL_LINUX_BUILD:-build}/bin"
WINDOWS_BIN=build-win/bin
WORK=build-win/wine-test
for needed in "$LINUX_BIN/twilightomator" "$LINUX_BIN/twilightomator.so" "$LINUX_BIN/twl_compare_images" \
              "$WINDOWS_BIN/twilightomator.exe" "$WINDOWS_BIN/Twilightomator.8bf"; do
    if [ ! -f "$needed" ]; then
        echo "missing $needed: build both sides first" >&2
        exit 2
    fi
done

# A private Wine prefix kept in build-win/, no Wine messages, no display needed.
WINEPREFIX="$(pwd)/build-win/wine-prefix"
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wine wineboot --init > /dev/null 2>&1 || true
    wineserver -w || true
fi

# The module as a host sees it: a PE32+ DLL exporting PluginMain, importing
# Windows' own DLLs only (no compiler runtime to ship beside it).
SYSTEM_DLLS="kernel32.dll msvcrt.dll user32.dll gdi32.dll advapi32.dll comdlg32.dll shell32.dll comctl32.dll ole32.dll"
module_failed=0
for program in "$WINDOWS_BIN/Twilightomator.8bf" "$WINDOWS_BIN/twilightomator.exe"; do
    headers=$(x86_64-w64-mingw32-objdump -p "$program")
    echo "$headers" | grep -q "(PE32+)" || { echo "$program is not a 64-bit PE file"; module_failed=1; }
    for dll in $(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'); do
        case " $SYSTEM_DLLS " in *" $dll "*) ;; *) echo "$program imports $dll"; module_failed=1 ;; esac
    done
done
echo "Twilightomator.8bf: $(wc -c < "$WINDOWS_BIN/Twilightomator.8bf") bytes"
x86_64-w64-mingw32-objdump -p "$WINDOWS_BIN/Twilightomator.8bf" | grep -Eq '^[[:space:]]*\[ *[0-9]+\] PluginMain$' ||
    { echo "Twilightomator.8bf does not export PluginMain"; module_failed=1; }

# The Windows suites (GoogleTest: platform, kernels, effect), run by ctest under Wine.
suite_failed=0
ctest --test-dir build-win --output-on-failure || suite_failed=1

rm -rf "$WORK"
mkdir -p "$WORK/in" "$WORK/linux" "$WORK/windows" "$WORK/tmp-linux"
LINUX="$(pwd)/$LINUX_BIN/twilightomator"
WINDOWS_EXE="$(pwd)/$WINDOWS_BIN/twilightomator.exe"
COMPARE="$(pwd)/$LINUX_BIN/twl_compare_images"
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
if [ "$module_failed" = 0 ]; then pass "the module's exports and imports"; else fail "the module's exports and imports"; fi
if [ "$suite_failed" = 0 ]; then pass "the Windows suites"; else fail "the Windows suites"; fi

# Both programs run in $WORK with relative paths; Wine's stdout has CR LF,
# and the Windows program's exit status is kept past the pipe that strips it.
run_linux() { (cd "$WORK" && TMPDIR="$(pwd)/tmp-linux" "$LINUX" "$@"); }
WINDOWS_STATUS="$(pwd)/$WORK/windows-status"
run_windows() {
    (cd "$WORK" && TWL_HOST_BEHAVIOUR="$HOST" wine "$WINDOWS_EXE" "$@"; echo $? > "$WINDOWS_STATUS") | tr -d '\r'
    return "$(cat "$WINDOWS_STATUS")"
}
# How the Windows program's host behaves: "ours", or "real" like the real hosts.
HOST=ours

# The inputs: the sample scene, small, in every layout the host reads.
(cd "$WORK/in" && TMPDIR="$(pwd)/../tmp-linux" "$LINUX" demo > /dev/null)
cd "$WORK/in"
convert twilightomator-sample.png -resize 160x120! -depth 8 -type TrueColor scene.png
rm -f twilightomator-sample*.png
convert scene.png -depth 8 PNG24:rgb8.png
convert scene.png -colorspace Gray -depth 8 PNG8:grey8.png
convert scene.png \( -size 160x120 radial-gradient:white-black \) -alpha off -compose CopyOpacity -composite \
    -depth 8 PNG32:rgba8.png
convert rgba8.png -colorspace Gray -depth 8 PNG:greya8.png
convert scene.png -depth 16 PNG48:rgb16.png
convert rgba8.png -depth 16 PNG64:rgba16.png
convert grey8.png -depth 16 grey16.png
convert scene.png -depth 8 -compress Zip rgb8.tif
convert rgba8.png -depth 16 -compress Zip rgba16.tif
convert grey8.png -depth 16 -compress Zip grey16.tif
convert scene.png -define quantum:format=floating-point -depth 32 -compress Zip rgb32.tif
convert rgba8.png -define quantum:format=floating-point -depth 32 -compress Zip rgba32.tif
convert grey8.png -define quantum:format=floating-point -depth 32 -compress Zip grey32.tif
convert scene.png -quality 90 rgb.jpg
convert scene.png -colorspace Gray -quality 90 grey.jpg
convert -size 120x160 gradient:white-black -rotate 90 -depth 8 -colorspace Gray mask.png
cd - > /dev/null

# Settings that exercise the blur, the colour work and a colour-space glue mode.
SETTINGS="--focus 55 --vignette 40 --dampen 30 --sepia 25 --color-blur 60 --cb-width 40 --clear-area 20 \
--saturation -30 --x-center 0.4 --y-center 0.6 --shape wide --glue 33 --vignette-color 20,30,60 \
--sepia-color #c89650 --high-quality"

# Same pixels: identical files, or the same decoded samples (JPEG metadata
# carries the day of writing).
same_image() {
    cmp -s "$1" "$2" || "$COMPARE" "$1" "$2"
}

# apply_case NAME INPUT OUTPUT [FLAGS]: both builds, the same flags (and
# $WINDOWS_ONLY on Windows), the same pixels, from either Windows host.
WINDOWS_ONLY=""
apply_case() {
    name="$1"; input="$2"; output="$3"; shift 3
    # shellcheck disable=SC2086
    if ! run_linux apply "in/$input" -o "linux/$output" --quiet $SETTINGS "$@" > "$WORK/linux/$output.log" 2>&1; then
        fail "$name: the Linux build failed: $(cat "$WORK/linux/$output.log")"
        return
    fi
    for HOST in ours real; do
        mkdir -p "$WORK/windows/$HOST"
        # shellcheck disable=SC2086
        if ! run_windows apply "in/$input" -o "windows/$HOST/$output" --quiet $SETTINGS $WINDOWS_ONLY "$@" \
            > "$WORK/windows/$HOST/$output.log" 2>&1; then
            fail "$name, $HOST host: the Windows build failed: $(head -n 2 "$WORK/windows/$HOST/$output.log")"
            continue
        fi
        if same_image "$WORK/linux/$output" "$WORK/windows/$HOST/$output" > "$WORK/$output.diff" 2>&1; then
            pass "$name, $HOST host"
        else
            fail "$name, $HOST host: the results differ: $(cat "$WORK/$output.diff")"
        fi
    done
    HOST=ours
}

apply_case "PNG RGB 8" rgb8.png rgb8.png
apply_case "PNG grey 8" grey8.png grey8.png
apply_case "PNG RGB 8 with alpha" rgba8.png rgba8.png
apply_case "PNG grey 8 with alpha" greya8.png greya8.png
apply_case "PNG RGB 16" rgb16.png rgb16.png
apply_case "PNG RGB 16 with alpha" rgba16.png rgba16.png
apply_case "PNG grey 16" grey16.png grey16.png
apply_case "PNG RGB 8 through a mask" rgb8.png rgb8-masked.png --mask in/mask.png
apply_case "PNG RGB 16 with alpha through a mask" rgba16.png rgba16-masked.png --mask in/mask.png
apply_case "TIFF RGB 8" rgb8.tif rgb8.tif
apply_case "TIFF RGB 16 with alpha" rgba16.tif rgba16.tif
apply_case "TIFF grey 16" grey16.tif grey16.tif
apply_case "TIFF RGB 32 float" rgb32.tif rgb32.tif
apply_case "TIFF RGB 32 float with alpha" rgba32.tif rgba32.tif
apply_case "TIFF grey 32 float" grey32.tif grey32.tif
apply_case "TIFF RGB 32 float through a mask" rgb32.tif rgb32-masked.tif --mask in/mask.png
apply_case "JPEG RGB" rgb.jpg rgb.jpg
apply_case "JPEG grey" grey.jpg grey.jpg
apply_case "PNG RGB 16 to JPEG" rgb16.png rgb16-to.jpg
apply_case "TIFF float to PNG 16" rgb32.tif rgb32-to16.png --depth 16

# One thread without vector instructions on Windows gives Linux's pixels too.
WINDOWS_ONLY="--threads 1 --simd scalar"
apply_case "PNG RGB 16, one scalar thread on Windows" rgb16.png rgb16-scalar.png
apply_case "TIFF RGB 32 float with alpha, one scalar thread on Windows" rgba32.tif rgba32-scalar.tif
# Every vector level on Windows gives Linux's pixels too (a level the CPU
# lacks falls back to the best it has).
for level in sse2 avx2 avx512; do
    WINDOWS_ONLY="--simd $level"
    apply_case "PNG RGB 8 with alpha, $level on Windows" rgba8.png "rgba8-$level.png"
    apply_case "PNG RGB 16, $level on Windows" rgb16.png "rgb16-$level.png" --glue 23
    apply_case "TIFF RGB 32 float with alpha, $level on Windows" rgba32.tif "rgba32-$level.tif"
done
WINDOWS_ONLY=""

# A step recorded on Linux, replayed by Windows in a new process and twice in
# one (real hosts mark each key they read in the plug-in's key table), then
# the Repeat of the cached settings (a preset file in the temporary folder):
# Linux's pixels from either Windows host.
# shellcheck disable=SC2086
run_linux apply in/rgb8.png -o linux/recorded.png --quiet $SETTINGS --record linux/step.json > /dev/null 2>&1 || true
run_linux apply in/rgb8.png -o linux/replayed.png --quiet --action linux/step.json > /dev/null 2>&1 || true
cp "$WORK/in/rgb8.png" "$WORK/in/rgb8-again.png"
REPEAT_SETTINGS="--focus 70 --sepia 35 --shape tall --glue 12 --vignette-color 20,30,60 --sepia-color 200,150,80"
# shellcheck disable=SC2086
run_linux preset save "tmp-linux/Twilightomator cached settings C" $REPEAT_SETTINGS > /dev/null 2>&1 || true
run_linux apply in/rgb8.png -o linux/repeat.png --quiet > /dev/null 2>&1 || true
rm -f "$WORK/tmp-linux/Twilightomator cached settings C"
# Without the cached settings the picture differs: the Repeat did read them.
run_linux apply in/rgb8.png -o linux/no-cache.png --quiet > /dev/null 2>&1 || true
if same_image "$WORK/linux/repeat.png" "$WORK/linux/no-cache.png" > /dev/null 2>&1; then rm -f "$WORK/linux/repeat.png"; fi
WINDOWS_TEMP="$(winepath -u "$(wine cmd /c echo %TEMP% | tr -d '\r')")"
for HOST in ours real; do
    out="windows/$HOST/replay"
    mkdir -p "$WORK/$out"
    run_windows apply in/rgb8.png -o "$out/once.png" --quiet --action linux/step.json > /dev/null 2>&1 || true
    run_windows apply in/rgb8.png in/rgb8-again.png --out-dir "$out" --quiet --action linux/step.json \
        > /dev/null 2>&1 || true
    replayed=0
    for result in once.png rgb8.png rgb8-again.png; do
        same_image "$WORK/linux/replayed.png" "$WORK/$out/$result" > /dev/null 2>&1 || replayed=1
    done
    if [ -s "$WORK/linux/replayed.png" ] && [ "$replayed" = 0 ]; then
        pass "action replay in a new process and twice in one, $HOST host"
    else
        fail "action replay in a new process and twice in one, $HOST host: missing or different pictures"
    fi
    # shellcheck disable=SC2086
    run_linux preset save "$WINDOWS_TEMP/Twilightomator cached settings C" $REPEAT_SETTINGS > /dev/null 2>&1 || true
    run_windows apply in/rgb8.png -o "$out/repeat.png" --quiet > /dev/null 2>&1 || true
    rm -f "$WINDOWS_TEMP/Twilightomator cached settings C"
    if [ -s "$WORK/linux/repeat.png" ] && same_image "$WORK/linux/repeat.png" "$WORK/$out/repeat.png" > /dev/null 2>&1
    then
        pass "Repeat of the cached settings, $HOST host"
    else
        fail "Repeat of the cached settings, $HOST host: missing or different pictures"
    fi
done
HOST=ours

# The layered document: the same bytes.
# shellcheck disable=SC2086
run_linux export-psd in/rgba8.png -o linux/layers.psd --proportional 120 $SETTINGS > /dev/null 2>&1 || true
# shellcheck disable=SC2086
run_windows export-psd in/rgba8.png -o windows/layers.psd --proportional 120 $SETTINGS > /dev/null 2>&1 || true
if [ -s "$WORK/linux/layers.psd" ] && cmp "$WORK/linux/layers.psd" "$WORK/windows/layers.psd"; then
    pass "export-psd: the same document"
else
    fail "export-psd: the documents differ"
fi

same_text() {
    name="$1"; shift
    # The module's own path is the one line that may differ.
    run_linux "$@" 2>&1 | sed '/^module:/d' > "$WORK/linux/$name.txt" || true
    run_windows "$@" 2>&1 | sed '/^module:/d' > "$WORK/windows/$name.txt" || true
    if [ -s "$WORK/linux/$name.txt" ] && diff -u "$WORK/linux/$name.txt" "$WORK/windows/$name.txt"; then
        pass "$*: the same text"
    else
        fail "$*: the texts differ"
    fi
}
same_text info info
same_text modes modes

# Presets: the same bytes, but for the date digits of the picture's metadata.
same_preset() {
    name="$1"; shift
    run_linux preset save "linux/$name" "$@" > /dev/null 2>&1 || true
    run_windows preset save "windows/$name" "$@" > /dev/null 2>&1 || true
    a="$WORK/linux/$name"; b="$WORK/windows/$name"
    if [ ! -s "$a" ] || [ ! -s "$b" ] || [ "$(wc -c < "$a")" != "$(wc -c < "$b")" ]; then
        fail "preset $name: missing or of different lengths"
        return
    fi
    # cmp -l prints position, octal byte in a, octal byte in b; digits are 060..071.
    others=$(cmp -l "$a" "$b" | awk '!($2 >= 60 && $2 <= 71 && $3 >= 60 && $3 <= 71)' | wc -l)
    if [ "$others" -eq 0 ]; then pass "preset $name: the same bytes"; else fail "preset $name: $others bytes differ"; fi
}
# shellcheck disable=SC2086
same_preset settings.z5a $SETTINGS
# The picture is rendered by a whole run, with either Windows host.
for HOST in ours real; do
    # shellcheck disable=SC2086
    same_preset "with-picture-$HOST.z5a" $SETTINGS --from in/rgb8.png
done
HOST=ours
same_text preset-info preset info windows/with-picture-ours.z5a

# Names Windows takes beyond the ANSI code page, and paths past MAX_PATH
# (260 characters): the program reads its arguments wide and hands every path
# to the system through the wide calls, so these give Linux's results too.
cp "$WORK/in/rgb8.png" "$WORK/in/日本語.png"
cp "$WORK/in/rgb8.png" "$WORK/in/emoji😀.png"
# shellcheck disable=SC2086
for input in 日本語 emoji😀; do
    if run_windows apply "in/$input.png" -o "windows/$input 出力.png" --quiet $SETTINGS > "$WORK/names.log" 2>&1 &&
        same_image "$WORK/linux/rgb8.png" "$WORK/windows/$input 出力.png" > /dev/null 2>&1; then
        pass "apply on $input.png"
    else
        fail "apply on $input.png: $(head -n 2 "$WORK/names.log")"
    fi
done
# shellcheck disable=SC2086
same_preset 保存.z5a $SETTINGS
# A preset with a Japanese name in a gallery: its caption as characters, its
# picture under the cleaned name (E5 A4 95 E6 9A AE E3 82 8C by the high-bit
# rule: _ D 5 _ _ N _ _ ,) that the page links to.
mkdir -p "$WORK/windows/gallery-presets" "$WORK/windows/gallery"
cp "$WORK/windows/with-picture-ours.z5a" "$WORK/windows/gallery-presets/夕暮れ.z5a"
run_windows gallery presets windows/gallery-presets -o windows/gallery/page.html --quiet > "$WORK/names.log" 2>&1 || true
if grep -q '>&#22805;&#26286;&#12428;</font>' "$WORK/windows/gallery/page.html" 2> /dev/null &&
    grep -q 'src="web_images/%5fD5%5f%5fN%5f%5f%2c.jpg"' "$WORK/windows/gallery/page.html" &&
    [ -s "$WORK/windows/gallery/web_images/_D5__N__,.jpg" ]; then
    pass "gallery of a preset named 夕暮れ: its caption and its picture"
else
    fail "gallery of a preset named 夕暮れ: $(head -n 2 "$WORK/names.log")"
fi
# Three folders of 90 characters: paths of over 300 characters.
deep="windows/deep/$(printf '%090d' 0 | tr 0 a)/$(printf '%090d' 0 | tr 0 b)/$(printf '%090d' 0 | tr 0 c)"
mkdir -p "$WORK/$deep"
cp "$WORK/in/rgb8.png" "$WORK/$deep/in.png"
cp "$WORK/windows/with-picture-ours.z5a" "$WORK/$deep/picture.z5a"
# shellcheck disable=SC2086
run_windows apply "$deep/in.png" -o "$deep/out.png" --quiet $SETTINGS > "$WORK/long.log" 2>&1 || true
# shellcheck disable=SC2086
run_windows preset save "$deep/look.z5a" $SETTINGS >> "$WORK/long.log" 2>&1 || true
run_windows preset info "$deep/look.z5a" 2>&1 | grep -v '^file:' > "$WORK/windows/long-info.txt" || true
run_linux preset info linux/settings.z5a 2>&1 | grep -v '^file:' > "$WORK/linux/long-info.txt" || true
run_windows gallery presets "$deep" -o "$deep/page.html" --quiet >> "$WORK/long.log" 2>&1 || true
if same_image "$WORK/linux/rgb8.png" "$WORK/$deep/out.png" > /dev/null 2>&1 &&
    [ -s "$WORK/windows/long-info.txt" ] && diff -q "$WORK/linux/long-info.txt" "$WORK/windows/long-info.txt" > /dev/null &&
    [ -s "$WORK/$deep/web_images/picture.jpg" ] && grep -q 'web_images/look.jpg' "$WORK/$deep/page.html"; then
    pass "apply, preset save and info, and a gallery in a folder ${#deep} characters deep"
else
    fail "paths over 260 characters: $(head -n 2 "$WORK/long.log")"
fi
# A read-only file replaced with --force stays read-only (Wine shows a file
# without write permission as read-only).
cp "$WORK/in/grey8.png" "$WORK/windows/kept.png"
chmod a-w "$WORK/windows/kept.png"
# shellcheck disable=SC2086
if run_windows apply in/rgb8.png -o windows/kept.png --force --quiet $SETTINGS > "$WORK/kept.log" 2>&1 &&
    same_image "$WORK/linux/rgb8.png" "$WORK/windows/kept.png" > /dev/null 2>&1 &&
    [ "$(stat -c %A "$WORK/windows/kept.png" | cut -c 3,6,9)" = "---" ]; then
    pass "--force over a read-only file keeps it read-only"
else
    fail "--force over a read-only file: $(stat -c %A "$WORK/windows/kept.png") $(head -n 2 "$WORK/kept.log")"
fi

# The dialog: its own lines, then one verdict here.
if sh scripts/test-windows-dialog.sh; then pass "the dialog under Wine"; else fail "the dialog under Wine"; fi

echo "Windows build under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
