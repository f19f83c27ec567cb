// The colour-space glue modes' rows for the base instruction level (SSE2 on
// x86-64): four lanes.
#include "kernels/colour_space_lanes.h"

ColourSpaceRow colourSpaceRowBase(int32_t mode) { return colourSpaceRowsOf<LaneOps<4>>(mode); }
