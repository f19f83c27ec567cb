// Float to integer by truncation toward zero, as the filter's numbers are
// defined; NaN gives 0 and values beyond the int32 range saturate instead of
// being undefined.
#pragma once

#include <cstdint>

inline int32_t truncateToInt(float value) {
    if (!(value == value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(value);
}

inline int32_t truncateToInt(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}
