// The computing stages of the per-pixel effect over a run of pixels, chosen
// by instruction level at run time. The position stage is a plain loop left
// to the vectoriser (the file is built without floating-point traps and
// errno, which change no value); the colour stage is written on vectors of
// lanes in its own translation units, one per level.
#include "effect/pixel_batch.h"

#include "kernels/vector_levels.h"

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

#if defined(TWL_X86_VECTORS)
TWL_AVX2 void positionsAvx2(const EffectSetup& e, float scale, float offsetX, float width, int32_t x0, float v,
                            PixelBatch& batch) {
    positions(e, scale, offsetX, width, x0, v, batch);
}
TWL_AVX512 void positionsAvx512(const EffectSetup& e, float scale, float offsetX, float width, int32_t x0, float v,
                                PixelBatch& batch) {
    positions(e, scale, offsetX, width, x0, v, batch);
}
#endif

void positionsBase(const EffectSetup& e, float scale, float offsetX, float width, int32_t x0, float v,
                   PixelBatch& batch) {
    positions(e, scale, offsetX, width, x0, v, batch);
}

using PositionStage = void (*)(const EffectSetup&, float, float, float, int32_t, float, PixelBatch&);
using ColourStage = void (*)(const EffectSetup&, PixelBatch&);
using FinishStage = void (*)(FinishRule, const PixelBatch&, FinishedBatch&);

// The scalar level runs the base code too (a batch is worked only at a
// vector level; the scalar path works pixel by pixel).
constexpr LevelTable<PositionStage> kPositionStages = {positionsBase, positionsBase, TWL_X86_ENTRY(positionsAvx2),
                                                       TWL_X86_ENTRY(positionsAvx512)};
constexpr LevelTable<ColourStage> kColourStages = {coloursBase, coloursBase, TWL_X86_ENTRY(coloursAvx2),
                                                   TWL_X86_ENTRY(coloursAvx512)};
constexpr LevelTable<FinishStage> kFinishStages = {finishBase, finishBase, TWL_X86_ENTRY(finishAvx2),
                                                   TWL_X86_ENTRY(finishAvx512)};

}  // namespace

void batchPositions(const EffectSetup& setup, float scale, float offsetX, float width, int32_t x0, float v,
                    PixelBatch& batch, SimdLevel level) {
    kPositionStages[level](setup, scale, offsetX, width, x0, v, batch);
}

void batchColours(const EffectSetup& setup, PixelBatch& batch, SimdLevel level) {
    kColourStages[level](setup, batch);
}

void batchFinish(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished, SimdLevel level) {
    kFinishStages[level](rule, batch, finished);
}
