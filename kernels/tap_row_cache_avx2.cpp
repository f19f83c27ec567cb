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
// clang takes the level as an attribute of every function that follows
// (the intrinsics need it there), gcc as the unit's target.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC target("avx2")
#endif
#define TWL_TAP_ROWS_AVX2 1
#include "kernels/tap_row_kernel.h"

extern const TapRowKernels kTapRowKernelsAvx2 = tapRowKernelsHere();
#if defined(__clang__)
#pragma clang attribute pop
#endif
#else
extern const TapRowKernels kTapRowKernelsAvx2 = {};
#endif
