// The output stage: turns one worked colour into stored pixel values in the
// host's rows, the dialog's preview buffer or the internal image. A pixel is
// finished once (scale, spill, grey, limit, glue), then written by the writer
// of the pass's target, chosen once per row.
#pragma once

#include "effect/pixel_batch.h"
#include "effect/render_context.h"
#include "kernels/effect_color.h"

// A worked colour in the target's channel range: integer values and coverage
// for 8- and 16-bit targets, float values and coverage for floating ones.
struct FinishedPixel {
    int32_t values[3];
    int32_t alpha;
    float floatValues[3];
    float floatAlpha;
};

// Scales the colour to the channel range, spills light above the maximum into
// the other channels, collapses grey, limits, and recombines with `source` by
// the glue mode (integer classes only).
FinishedPixel finishPixel(const RenderContext& context, EffectColor color, const int32_t source[3]);

// Where one target reads the glue mode's source pixel and writes the result.
struct PixelOutput {
    void (*readSource)(const RenderContext& context, int32_t x, int32_t y, int32_t source[3]);
    void (*write)(const RenderContext& context, int32_t x, int32_t y, const FinishedPixel& pixel);
};
PixelOutput pixelOutputFor(const RenderContext& context);

// Stores the pixel at (x, y), clamped into the target.
void storePixel(const RenderContext& context, const PixelOutput& output, int32_t x, int32_t y, const EffectColor& color);
void storePixel(const RenderContext& context, int32_t x, int32_t y, const EffectColor& color);

// Stores the batch's pixels from column x0 of row y, as storePixel does one
// by one; the integer finish runs on the batch's lanes.
void storePixelBatch(const RenderContext& context, const PixelOutput& output, int32_t x0, int32_t y,
                     const PixelBatch& batch, SimdLevel level);

// 0..255: how much of the preview pixel the selection shows.
int32_t selectionWeight(const OutputTarget& target, int32_t x, int32_t y);
