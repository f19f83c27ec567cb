// The colour stage for the base instruction level (SSE2 on x86-64): four lanes.
#include "effect/colour_lanes.h"

void coloursBase(const EffectSetup& setup, PixelBatch& batch) { colours<Lanes<4>::F, LaneOps<4>>(setup, batch); }
