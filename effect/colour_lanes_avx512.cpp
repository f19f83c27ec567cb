// The colour stage and the integer finish for AVX-512: sixteen lanes.
// Everything outside the lane code is included before the level is set, so
// that only this file's own internal code is built for it.
#include "effect/pixel_batch.h"
#include "kernels/vector_levels.h"

#include <cstdint>
#include <cstring>

#if defined(TWL_X86_VECTORS)
#pragma GCC target("avx512f,avx512vl,avx512bw,avx512dq")
#include "effect/colour_lanes.h"

void coloursAvx512(const EffectSetup& setup, PixelBatch& batch) { colours<Lanes<16>::F, LaneOps<16>>(setup, batch); }
void finishAvx512(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished) {
    finish<16>(rule, batch, finished);
}
#endif
