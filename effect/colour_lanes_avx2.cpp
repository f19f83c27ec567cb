// The colour stage and the integer finish for AVX2: eight lanes.
#include "effect/colour_lanes.h"

#if defined(TWL_WIDE_LEVELS)
void coloursAvx2(const EffectSetup& setup, PixelBatch& batch) { colours<Lanes<8>::F, LaneOps<8>>(setup, batch); }
void finishAvx2(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished) {
    finish<8>(rule, batch, finished);
}
#endif
