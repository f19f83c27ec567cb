#!/bin/sh
# Side-by-side timing of `twilightomator apply` against the nearest
# open-source chain (GEGL's focus blur, vignette and sepia, run by its own
# command line) on the same 3000 x 2000 picture, as an 8-bit PNG and as a
# 16-bit TIFF: scripts/bench-peers.sh [BUILD_DIR] [RUNS]
# The two programs run alternately, RUNS times each, so that both see the
# same load; the medians of wall time and peak memory are printed with their
# ratio. scripts/install-deps.sh installs the `gegl` and `time` packages (and
# ImageMagick, which makes the pictures).
set -e
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-5}"
case "$build" in /*) ;; *) build="$(pwd)/$build" ;; esac
program="$build/bin/twilightomator"
[ -x "$program" ] || { echo "$0: no $program; build first" >&2; exit 2; }
command -v gegl > /dev/null || { echo "$0: the gegl command line is missing (apt-get install gegl)" >&2; exit 2; }
command -v convert > /dev/null || { echo "$0: ImageMagick's convert is missing (apt-get install imagemagick)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "$0: /usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
# The picture: the built-in sample scene scaled to 3000 x 2000.
"$program" demo > /dev/null
convert twilightomator-sample.png -resize '3000x2000!' -depth 8 in.png
convert in.png -depth 16 in16.tif

# Prints "SECONDS KILOBYTES" of one run of the command given.
measure() {
    /usr/bin/time -f "%e %M" -o time.txt "$@" > /dev/null 2>&1 || {
        echo "$0: failed: $*" >&2; exit 1; }
    cat time.txt
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

compare() {
    label="$1"; input="$2"; output="$3"
    : > ours.txt; : > gegl.txt
    i=0
    while [ "$i" -lt "$runs" ]; do
        measure "$program" apply "$input" -o "ours-$output" --force --quiet >> ours.txt
        measure gegl "$input" -o "gegl-$output" -- gegl:focus-blur gegl:vignette gegl:sepia >> gegl.txt
        i=$((i + 1))
    done
    ours_s=$(cut -d' ' -f1 ours.txt | median); ours_kb=$(cut -d' ' -f2 ours.txt | median)
    gegl_s=$(cut -d' ' -f1 gegl.txt | median); gegl_kb=$(cut -d' ' -f2 gegl.txt | median)
    awk -v l="$label" -v os="$ours_s" -v ok="$ours_kb" -v gs="$gegl_s" -v gk="$gegl_kb" 'BEGIN {
        printf "%-22s twilightomator %6.2f s %5.0f MB | gegl chain %6.2f s %5.0f MB | %5.1fx faster, %4.1fx less memory\n",
            l, os, ok / 1024, gs, gk / 1024, gs / os, gk / ok }'
}

echo "3000 x 2000, median of $runs alternating runs; $(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg)"
compare "8-bit PNG" in.png out.png
compare "16-bit TIFF" in16.tif out.tif
