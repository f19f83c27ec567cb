// Everything the per-pixel pipeline and the output stage see during one
// pass: the settings, the view, the images and tables, and the target
// buffers described without the host's headers.
#pragma once

#include "effect/effect_setup.h"
#include "kernels/pyramid.h"
#include "model/parameters.h"

#include <cstdint>

struct BlendTables;
struct WeightTables;

enum ValueClass : int32_t { kValues8 = 8, kValues16 = 16, kValuesFloat = 32 };

// Where the output stage reads the source pixel and writes the result.
struct OutputTarget {
    int32_t valueClass = kValues8;
    bool rgb = true;                 // planes >= 3: the worked pixel is RGB, else grey
    bool threeChannelLayout = true;  // host modes RGB, RGB48, RGB96: write three channels
    bool hasTransparency = false;
    int32_t outLayerPlanes = 0;  // where the output pixel's transparency goes
    int32_t inPixelSamples = 3;  // samples per input pixel (inHiPlane - inLoPlane + 1)
    int32_t planes = 3;          // samples per output pixel
    const void* inData = nullptr;
    int32_t inRowBytes = 0;
    void* outData = nullptr;
    int32_t outRowBytes = 0;
    int32_t width = 0, height = 0;  // of the output rectangle, or of the internal image

    // Selection weight for the preview.
    bool haveMask = false;
    const uint8_t* maskData = nullptr;
    int32_t maskRowBytes = 0;
    int32_t maskFirstRow = 0, maskLastRow = -1;  // rows the mask data covers
    int32_t passLastColumn = -1;
    int32_t passFirstRow = 0, passLastRow = -1;
};

// The render request of one pass: committed once when the pass is set up;
// only the target's buffers change from row to row.
struct RenderContext {
    EffectSetup setup{};
    int32_t previewScale = 1;
    int32_t previewOffsetX = 0, previewOffsetY = 0;
    int32_t renderTarget = renderHostRows;
    const Pyramid* source = nullptr;  // sampled for the effect
    Pyramid* internal = nullptr;      // target and source of renderTarget 2
    const WeightTables* weights = nullptr;
    const BlendTables* blend = nullptr;
    int32_t extentWidth = 0, extentHeight = 0;  // area being filtered
    // Rows with the same non-zero serial read the same unchanged source, so a
    // thread may carry its sampler's row sums from one row to the next.
    uint64_t sourceSerial = 0;
    OutputTarget target;
};
