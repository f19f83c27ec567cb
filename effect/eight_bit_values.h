// How 16-bit and floating values are stored in the plug-in's 8-bit images:
// 16-bit v as 255 from v + 1 = 32768 on, else (v + 1) / 128; floating values
// (linear light) square-root encoded, trunc(255 sqrt(v)) with v limited to
// 0..65535 (NaN as 0), the result limited to 0..255.
#pragma once

#include "kernels/truncation.h"

#include <cmath>
#include <cstdint>

inline uint32_t eightBitOf16(int32_t v) { return v + 1 >= 32768 ? 255u : uint32_t(v + 1) / 128u; }

inline uint32_t eightBitOfLinear(float v) {
    v = v > 0.0f ? v : 0.0f;  // NaN too
    if (v > 65535.0f) v = 65535.0f;
    const int32_t t = truncateToInt(255.0f * std::sqrt(v));
    return static_cast<uint32_t>(t < 0 ? 0 : (t > 255 ? 255 : t));
}
