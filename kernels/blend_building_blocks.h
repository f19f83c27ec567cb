// The two channel scales of the glue modes and the steps that many modes
// share: hard light, pin light, luma and the limit to [0, M].
#pragma once

#include <algorithm>
#include <cstdint>

// 8-bit images: M = 255, products of two values are divided by 256 and the
// light steps by 128, with the threshold between 127 and 128.
struct EightBitScale {
    static constexpr bool wide = false;
    static constexpr int32_t max = 255;
    static constexpr int32_t full = 256;
    static constexpr int32_t fullShift = 8;
    static constexpr int32_t half = 128;
    static constexpr int32_t halfShift = 7;
    static constexpr int32_t crossDivisor = 64;
};

// 16-bit images on the host's 0..32768 scale: the maximum and the divisor are
// both 32768, the light steps divide by 16384.
struct SixteenBitScale {
    static constexpr bool wide = true;
    static constexpr int32_t max = 32768;
    static constexpr int32_t full = 32768;
    static constexpr int32_t fullShift = 15;
    static constexpr int32_t half = 16384;
    static constexpr int32_t halfShift = 14;
    static constexpr int32_t crossDivisor = 8192;
};

template <class Scale>
constexpr int32_t clampChannel(int32_t value) {
    return std::clamp(value, int32_t{0}, Scale::max);
}

// HL(b, x): the blend value x below the half multiplies, above it screens.
template <class Scale>
constexpr int32_t hardLightStep(int32_t base, int32_t blend) {
    if (blend < Scale::half) return (base * blend) >> Scale::halfShift;
    return Scale::max - (((Scale::max - base) * (Scale::max - blend)) >> Scale::halfShift);
}

// PL(b, x): the blend value x above the half lightens, below it darkens.
template <class Scale>
constexpr int32_t pinLightStep(int32_t base, int32_t blend) {
    if (blend > Scale::half - 1) return std::max(base, 2 * blend - Scale::max);
    return std::min(base, 2 * blend);
}

// The weights sum to 255 of 256 on both scales: the divisor is not the channel
// maximum, so 16-bit values keep it.
constexpr int32_t luma(int32_t red, int32_t green, int32_t blue) {
    return (77 * red + 150 * green + 28 * blue) >> 8;
}
