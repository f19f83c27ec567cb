// Where the JPEG encoder takes its pixels from: rows of normalised colours,
// so that any image (a tiled image's level 0, a plain RGBA picture) can feed it.
#pragma once

#include "kernels/effect_color.h"

#include <cstddef>
#include <cstdint>

struct JpegRowSource {
    int32_t width = 0;
    int32_t height = 0;
    // Fills `width` colours of row y (0 <= y < height), channels nominally 0..1.
    void (*readRow)(const void* context, int32_t y, EffectColor* row) = nullptr;
    const void* context = nullptr;
};

// A picture of 8-bit RGBA bytes (red, green, blue, transparency per pixel).
struct Rgba8Picture {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    size_t rowBytes = 0;  // 0: width * 4
};

// Reads the picture as four values v / 255; the picture must outlive the source.
JpegRowSource rgba8RowSource(const Rgba8Picture& picture);
