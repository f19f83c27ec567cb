// The colour-space glue modes' rows for AVX2: eight lanes.
// Everything outside the lane code is included before the level is set, so
// that only this file's own internal code is built for it.
#include "kernels/blend_building_blocks.h"
#include "kernels/blend_mode_numbers.h"
#include "kernels/colour_space_rows.h"
#include "kernels/filter_math.h"
#include "kernels/filter_math_series.h"
#include "kernels/opponent_colour.h"
#include "kernels/vector_levels.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(TWL_X86_VECTORS)
#pragma GCC target("avx2")
#include "kernels/colour_space_lanes.h"

ColourSpaceRow colourSpaceRowAvx2(int32_t mode) { return colourSpaceRowsOf<LaneOps<8>>(mode); }
#endif
