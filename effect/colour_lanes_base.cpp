// The colour stage and the integer finish for the base instruction level (SSE2 on x86-64): four lanes.
#include "effect/colour_lanes.h"

void coloursBase(const EffectSetup& setup, PixelBatch& batch) { colours<Lanes<4>::F, LaneOps<4>>(setup, batch); }
void finishBase(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished) {
    finish<4>(rule, batch, finished);
}
