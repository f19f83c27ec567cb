// The colour-space glue modes' rows for AVX-512: sixteen lanes.
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
#pragma GCC target("avx512f,avx512vl,avx512bw,avx512dq")
#include "kernels/colour_space_lanes.h"

ColourSpaceRow colourSpaceRowAvx512(int32_t mode) { return colourSpaceRowsOf<LaneOps<16>>(mode); }
#endif
