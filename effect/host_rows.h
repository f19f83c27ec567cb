// How host pixels enter a tiled image: rows of the host's interleaved
// samples (its input tiles, its output buffer) copied into level 0 at the
// image's storage type, and the capture of a rectangle of the host's
// output buffer for thumbnails.
#pragma once

#include <cstdint>

#include "kernels/pyramid.h"

enum class HostValueClass { eightBit, sixteenBit, floating };

// Rows of host pixels: `data` points at the first sample of the first pixel
// of the first row; each pixel is `samplesPerPixel` interleaved samples.
struct HostRows {
    const void* data = nullptr;
    int64_t rowBytes = 0;
    int samplesPerPixel = 1;
    bool grey = false;    // one colour sample: it fills red, green and blue
    int alphaSample = -1;  // the transparency's sample in a pixel; -1: opaque
    HostValueClass valueClass = HostValueClass::eightBit;
};

// Copies `rowCount` rows of `width` pixels into level 0 of `target` from
// (left, top) on; the target must hold that rectangle. The target's storage
// decides the pixel: a packed 8-bit image takes 8-bit samples as they are
// and converts 16-bit and floating samples with the 8-bit rules of
// eight_bit_values.h; an RGBA 16-bit image takes 16-bit samples, a
// four-float image floating ones, as they are. A missing transparency is
// opaque (255, 32768 or 1). False, and nothing copied, for any other pair.
bool copyHostRows(const HostRows& from, int width, int rowCount, Pyramid& target, int left, int top);

// The host's output buffer as the capture reads it: `data` points at the
// pixel (0, 0) of the buffer, which holds width x height pixels of `planes`
// interleaved samples each.
struct HostPixelBuffer {
    const void* data = nullptr;
    int64_t rowBytes = 0;
    int planes = 0;
    int width = 0;
    int height = 0;
    HostValueClass valueClass = HostValueClass::eightBit;
};

// Copies the buffer's pixels of `rect` (buffer coordinates) to (0, 0) onward in
// level 0 of a packed 8-bit (kStoragePacked8) target as opaque packed 8-bit pixels: 8-bit as they
// are (one or two planes: grey into red, green and blue), 16-bit v as 255
// from v + 1 >= 32768 else (v + 1) / 128, floats as trunc(255 * sqrt(v))
// with v limited to [0, 65535] and the result to 0..255. Pixels outside the
// buffer are not read and leave the target unchanged.
void captureHostRect(const HostPixelBuffer& buffer, PixelRect rect, Pyramid& target);
