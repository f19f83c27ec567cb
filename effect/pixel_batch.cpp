// The computing stages of the per-pixel effect over a run of pixels, chosen
// by instruction level at run time. The position stage is a plain loop left
// to the vectoriser (the file is built without floating-point traps and
// errno, which change no value); the colour stage is written on vectors of
// lanes in its own translation units, one per level.
#include "effect/pixel_batch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#define TWL_LANES inline __attribute__((always_inline))

namespace {

template <int32_t kShape>
TWL_LANES void positionsIn(const EffectSetup& setup, float scale, float offsetX, float width, int32_t x0, float v,
                           PixelBatch& batch) {
    const EffectSetup e = setup;
    const int count = batch.count;
    for (int i = 0; i < count; ++i) {
        const float px = float(double((float(x0 + i) - 0.5f) * scale + offsetX) + 0.5);
        const float u = (2 * px + 1) / (2 * width);
        const float d = std::max(falloffDistance(kShape, u, v, e.centerX, e.centerY, e.clearRadius), 0.0f);
        const float centred = std::max(falloffDistance(kShape, u, v, 0.5f, 0.5f, e.clearRadius), 0.0f);
        batch.u[i] = u;
        batch.distance[i] = d;
        batch.vignetteDistance[i] = e.centerVignette ? centred : d;
        batch.blurRadius[i] = std::max(e.radiusScale * (d * e.focusGain) + 1, 1.0f);
    }
}

// The shape chosen once per batch, so that each loop is straight.
TWL_LANES void positions(const EffectSetup& e, float scale, float offsetX, float width, int32_t x0, float v,
                         PixelBatch& batch) {
    if (e.shape == shapeWide) positionsIn<shapeWide>(e, scale, offsetX, width, x0, v, batch);
    else if (e.shape == shapeTall) positionsIn<shapeTall>(e, scale, offsetX, width, x0, v, batch);
    else positionsIn<shapeRound>(e, scale, offsetX, width, x0, v, batch);
}

#if defined(TWL_WIDE_LEVELS)
#define TWL_AVX2 __attribute__((target("avx2")))
#define TWL_AVX512 __attribute__((target("avx512f,avx512vl,avx512dq")))

TWL_AVX2 void positionsAvx2(const EffectSetup& e, float scale, float offsetX, float width, int32_t x0, float v,
                            PixelBatch& batch) {
    positions(e, scale, offsetX, width, x0, v, batch);
}
TWL_AVX512 void positionsAvx512(const EffectSetup& e, float scale, float offsetX, float width, int32_t x0, float v,
                                PixelBatch& batch) {
    positions(e, scale, offsetX, width, x0, v, batch);
}
#endif

}  // namespace

void batchPositions(const EffectSetup& setup, float scale, float offsetX, float width, int32_t x0, float v,
                    PixelBatch& batch, SimdLevel level) {
#if defined(TWL_WIDE_LEVELS)
    if (level == SimdLevel::avx512) return positionsAvx512(setup, scale, offsetX, width, x0, v, batch);
    if (level == SimdLevel::avx2) return positionsAvx2(setup, scale, offsetX, width, x0, v, batch);
#endif
    (void)level;
    positions(setup, scale, offsetX, width, x0, v, batch);
}

void batchColours(const EffectSetup& setup, PixelBatch& batch, SimdLevel level) {
#if defined(TWL_WIDE_LEVELS)
    if (level == SimdLevel::avx512) return coloursAvx512(setup, batch);
    if (level == SimdLevel::avx2) return coloursAvx2(setup, batch);
#endif
    (void)level;
    coloursBase(setup, batch);
}

void batchFinish(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished, SimdLevel level) {
#if defined(TWL_WIDE_LEVELS)
    if (level == SimdLevel::avx512) return finishAvx512(rule, batch, finished);
    if (level == SimdLevel::avx2) return finishAvx2(rule, batch, finished);
#endif
    (void)level;
    finishBase(rule, batch, finished);
}
