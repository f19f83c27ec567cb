// The colour stage and the integer finish for AVX-512: sixteen lanes.
#include "effect/colour_lanes.h"

#if defined(TWL_WIDE_LEVELS)
void coloursAvx512(const EffectSetup& setup, PixelBatch& batch) { colours<Lanes<16>::F, LaneOps<16>>(setup, batch); }
void finishAvx512(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished) {
    finish<16>(rule, batch, finished);
}
#endif
