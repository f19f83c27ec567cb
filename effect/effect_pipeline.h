// The per-pixel effect: focus blur by distance, colour blur, saturation,
// dampen, vignette and sepia, then the output stage.
#pragma once

#include "effect/effect_setup.h"
#include "effect/render_context.h"
#include "kernels/effect_color.h"
#include "kernels/hsl.h"

// One pixel's inputs to the colour stages: its focus sample (coverage
// gained), its distances from the clear area (at least 0), and the colour
// blur's sample and mix (0: the pixel is not colour blurred).
struct ColourStageInput {
    float red = 0, green = 0, blue = 0;
    float distance = 0, vignetteDistance = 0;
    float blurRed = 0, blurGreen = 0, blurBlue = 0, blurMix = 0;
};

// The colour stages of one pixel: colour blur, saturation, dampen, vignette
// and sepia. batchColours gives each lane of a batch these bits.
RgbColor workColour(const EffectSetup& setup, const ColourStageInput& in);

// The worked colour of one pixel, before the output stage.
EffectColor workPixel(const RenderContext& context, int32_t x, int32_t y);

// Computes columns x0..x1 of row y in increasing order and stores them.
void renderRowSpan(const RenderContext& context, int32_t y, int32_t x0, int32_t x1);

class JobWorkers;

// The row routine as the job runner calls it: splits x0..x1 into jobCount
// row jobs (1 is the reference) and runs them on `workers` when given, else
// on threads of their own.
void runRowJobs(const RenderContext& context, int32_t y, int32_t x0, int32_t x1, int jobCount,
                JobWorkers* workers = nullptr);
