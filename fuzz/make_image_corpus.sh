#!/bin/sh
# Writes the seed corpus of the image file fuzz targets (fuzz/corpus/
# fuzz_{png,tiff,jpeg}_file/): small files of every layout the readers take,
# and a few broken ones. Made with ImageMagick's convert; run once, the files
# are kept in the repository.
cd "$(dirname "$0")/corpus"
mkdir -p fuzz_png_file fuzz_tiff_file fuzz_jpeg_file
src="gradient:red-blue"
size=24x16
# A layout this ImageMagick cannot write is left out with its message.
c() { convert -size "$size" "$@" || true; }
# PNG: grey, grey + alpha, RGB, RGBA, 16-bit, palette with transparency,
# interlaced, 1-bit grey; then a file cut in its data and one cut in IEND.
c "$src" -colorspace Gray -depth 8 fuzz_png_file/grey8.png
c "$src" -colorspace Gray -alpha set -channel A -evaluate set 50% +channel PNG32:fuzz_png_file/rgba8.png
c "$src" -colorspace Gray -alpha set -channel A -evaluate set 50% +channel -define png:color-type=4 fuzz_png_file/greyalpha8.png
c "$src" PNG24:fuzz_png_file/rgb8.png
c "$src" -depth 16 PNG48:fuzz_png_file/rgb16.png
c "$src" -alpha set -depth 16 PNG64:fuzz_png_file/rgba16.png
c "$src" -colors 8 -transparent red PNG8:fuzz_png_file/palette.png
c "$src" -interlace PNG PNG24:fuzz_png_file/interlaced.png
c "$src" -colorspace Gray -monochrome fuzz_png_file/bilevel.png
head -c 120 fuzz_png_file/rgb8.png > fuzz_png_file/cut-data.png
n=$(wc -c < fuzz_png_file/rgb8.png); head -c $((n - 2)) fuzz_png_file/rgb8.png > fuzz_png_file/cut-end.png
# TIFF: strips and tiles, contiguous and planar, none / LZW / deflate /
# PackBits / JPEG, 8 and 16 bits, float, grey, alpha, 1-bit, two pages.
c "$src" -depth 8 -compress None fuzz_tiff_file/rgb8.tif
c "$src" -colorspace Gray -depth 8 -compress LZW fuzz_tiff_file/grey8-lzw.tif
c "$src" -depth 16 -compress Zip fuzz_tiff_file/rgb16-deflate.tif
c "$src" -alpha set -depth 8 -compress RLE fuzz_tiff_file/rgba8-packbits.tif
c "$src" -depth 8 -interlace Plane fuzz_tiff_file/planar.tif
c "$src" -depth 8 -define tiff:tile-geometry=16x16 fuzz_tiff_file/tiled.tif
c "$src" -depth 32 -define quantum:format=floating-point fuzz_tiff_file/float.tif
c "$src" -colorspace Gray -monochrome -compress Group4 fuzz_tiff_file/bilevel-g4.tif
c "$src" -compress JPEG fuzz_tiff_file/jpeg.tif
convert -size "$size" "$src" "$src" -depth 8 fuzz_tiff_file/two-pages.tif
head -c 300 fuzz_tiff_file/rgb16-deflate.tif > fuzz_tiff_file/cut.tif
# JPEG: baseline RGB and grey, progressive, 4:4:4, restart markers; then a
# file cut short.
c "$src" -quality 70 fuzz_jpeg_file/rgb.jpg
c "$src" -colorspace Gray -quality 70 fuzz_jpeg_file/grey.jpg
c "$src" -interlace JPEG -quality 70 fuzz_jpeg_file/progressive.jpg
c "$src" -sampling-factor 1x1 -quality 90 fuzz_jpeg_file/sampling444.jpg
c "$src" -define jpeg:restart-interval=1 -quality 70 fuzz_jpeg_file/restart.jpg
head -c 200 fuzz_jpeg_file/rgb.jpg > fuzz_jpeg_file/cut.jpg
