// The colour stage and the integer finish for AVX2: eight lanes.
// Everything outside the lane code is included before the level is set, so
// that only this file's own internal code is built for it.
#include "effect/pixel_batch.h"
#include "kernels/vector_levels.h"

#include <cstdint>
#include <cstring>

#if defined(TWL_X86_VECTORS)
#pragma GCC target("avx2")
#include "effect/colour_lanes.h"

void coloursAvx2(const EffectSetup& setup, PixelBatch& batch) { colours<Lanes<8>::F, LaneOps<8>>(setup, batch); }
void finishAvx2(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished) {
    finish<8>(rule, batch, finished);
}
#endif
