// The per-pixel effect for a run of pixels of one row at once: the stages
// that only compute are done lane by lane over the whole run, so that the
// compiler can give them to vector instructions; the samples in between are
// taken pixel by pixel. Every stage evaluates exactly the operations of
// workPixel in the same order, so each pixel gets workPixel's bits.
#pragma once

#include <cstdint>

#include "effect/effect_setup.h"
#include "kernels/speed_settings.h"

constexpr int kPixelBatch = 32;

struct PixelBatch {
    int count = 0;
    float u[kPixelBatch];
    float distance[kPixelBatch];    // from the clear area, at least 0
    float vignetteDistance[kPixelBatch];
    float blurRadius[kPixelBatch];  // of the focus blur, at least 1
    // The focus sample, then (in place) the worked colour.
    float red[kPixelBatch], green[kPixelBatch], blue[kPixelBatch], coverage[kPixelBatch];
    // The colour blur's sample and mix (0: the pixel is not colour blurred).
    float blurRed[kPixelBatch], blurGreen[kPixelBatch], blurBlue[kPixelBatch], blurMix[kPixelBatch];
    bool anyColourBlur = false;
};

// The integer finish of a batch (8- and 16-bit targets): values scaled to
// the channel range, truncated, limited at 0, collapsed to grey when the
// target is grey and limited at the maximum, and the transparency. A lane
// with a channel that would pass the maximum (whose light spills into the
// other channels) or an unordered value is marked for the per-pixel finish.
struct FinishedBatch {
    int32_t red[kPixelBatch], green[kPixelBatch], blue[kPixelBatch], alpha[kPixelBatch];
    int32_t perPixel[kPixelBatch];  // not 0: finish this pixel one at a time
};
struct FinishRule {
    int32_t maximum;  // 255 or 32768
    bool grey;
};

// u, distance, vignette distance and blur radius of the batch's pixels from
// column x0 of the row at normalised height v.
void batchPositions(const EffectSetup& setup, float scale, float offsetX, float width, int32_t x0, float v,
                    PixelBatch& batch, SimdLevel level);

// From the samples to the worked colour: colour blur mix, saturation,
// dampen, vignette and sepia. Coverage must already carry its gain.
void batchColours(const EffectSetup& setup, PixelBatch& batch, SimdLevel level);

// The colour stage and the integer finish as each instruction level
// compiles them (one translation unit each): the base level (SSE2 on
// x86-64), AVX2 and AVX-512. The wider ones exist where
// kernels/vector_levels.h says they are built.
void coloursBase(const EffectSetup& setup, PixelBatch& batch);
void finishBase(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished);
void coloursAvx2(const EffectSetup& setup, PixelBatch& batch);
void coloursAvx512(const EffectSetup& setup, PixelBatch& batch);
void finishAvx2(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished);
void finishAvx512(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished);

void batchFinish(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished, SimdLevel level);
