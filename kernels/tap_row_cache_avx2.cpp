// The carried-row-sum kernels for AVX2. Everything outside the kernels is
// included before the level is set, so that only this file's own internal
// code is built for it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "kernels/sampler_positions.h"
#include "kernels/tap_row_cache.h"
#include "kernels/vector_levels.h"

#if defined(TWL_X86_VECTORS)
#include <immintrin.h>
#pragma GCC target("avx2")
#define TWL_TAP_ROWS_AVX2 1
#include "kernels/tap_row_kernel.h"

extern const TapRowKernels kTapRowKernelsAvx2 = tapRowKernelsHere();
#else
extern const TapRowKernels kTapRowKernelsAvx2 = {};
#endif
