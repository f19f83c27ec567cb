// The hexcone HSL pair of hsl.cpp on vectors of lanes (GCC's vector
// extensions), for the stages that work a run of pixels at once: every
// branch of the per-pixel code becomes a select between values computed for
// every lane by the same operations, so each lane gets rgbToHsl's,
// hslSaturation's and hslToRgb's bits. Everything here has internal linkage:
// each translation unit that includes it compiles it for its own
// instruction level, and no level's code is shared with another.
#pragma once

#include <cstdint>

#define TWL_LANES inline __attribute__((always_inline))

namespace {

// Lanes of floats and their masks (all bits set where a comparison holds),
// as GCC's vector extensions: the arithmetic is the scalar IEEE arithmetic
// lane by lane, and `mask ? a : b` picks lane by lane.
template <int kLanes>
struct Lanes {
    typedef float F __attribute__((vector_size(4 * kLanes)));
    typedef int32_t M __attribute__((vector_size(4 * kLanes)));
    // Doubles as many as the floats, and their masks.
    typedef double D __attribute__((vector_size(8 * kLanes)));
    typedef int64_t W __attribute__((vector_size(8 * kLanes)));
};

template <class F>
TWL_LANES F splat(float value) {
    return F{} + value;
}

// std::max and std::min lane by lane, with their rule for unordered values.
template <class F>
TWL_LANES F maxOf(F a, F b) {
    return a < b ? b : a;
}
template <class F>
TWL_LANES F minOf(F a, F b) {
    return b < a ? b : a;
}
template <class F>
TWL_LANES F limit(F value, float low, float high) {
    return minOf(maxOf(value, splat<F>(low)), splat<F>(high));
}

template <class F, class Ops>
struct Hsl {
    F hue, saturation, lightness;
};

// rgbToHsl without branches: every candidate is computed, the branch's
// choice is a select.
template <class F, class Ops>
TWL_LANES Hsl<F, Ops> hslOf(F red, F green, F blue) {
    const F mx = maxOf(maxOf(red, green), blue);
    const F mn = minOf(minOf(red, green), blue);
    const F lightness = (mx + mn) / 2.0f;
    const F d = mx - mn;
    const F saturation = lightness <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
    const F partRed = (mx - red) / d, partGreen = (mx - green) / d, partBlue = (mx - blue) / d;
    // Decided in the order red, green, blue, as the per-pixel code does.
    const F redMax = green == mn ? 5.0f + partBlue : 1.0f - partGreen;
    const F greenMax = blue == mn ? 1.0f + partRed : 3.0f - partBlue;
    const F blueMax = red == mn ? 3.0f + partGreen : 5.0f - partRed;
    const F sixths = red == mx ? redMax : (green == mx ? greenMax : blueMax);
    const auto grey = (lightness <= 0.0f) | (d == 0.0f);
    const F zero = splat<F>(0.0f);
    return Hsl<F, Ops>{grey ? zero : sixths / 6.0f, grey ? zero : saturation, lightness};
}

// hslSaturation without branches.
template <class F>
TWL_LANES F saturationOf(F red, F green, F blue) {
    const F mx = maxOf(maxOf(red, green), blue);
    const F mn = minOf(minOf(red, green), blue);
    const F lightness = (mx + mn) / 2.0f;
    const F d = mx - mn;
    const F saturation = lightness <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
    return ((lightness <= 0.0f) | (d == 0.0f)) ? splat<F>(0.0f) : saturation;
}

// hslToRgb without branches; the sector is kept as a float.
template <class F, class Ops>
TWL_LANES void rgbOf(F hue, F saturation, F lightness, F& red, F& green, F& blue) {
    const F l = lightness, s = saturation;
    const F q = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const F p = 2.0f * l - q;
    const F scaled = 6.0f * hue;
    const F k = Ops::truncated(scaled);
    const F f = scaled - k;
    const F rise = p + (q - p) * f;
    const F fall = q - (q - p) * f;
    const F zero = splat<F>(0.0f);
    const F sector = ((k >= 0.0f) & (k < 6.0f)) ? k : zero;
    // Red: q in sectors 0 and 5, fall in 1, p in 2 and 3, rise in 4.
    F r = sector == 4.0f ? rise : q;
    r = ((sector == 2.0f) | (sector == 3.0f)) ? p : r;
    r = sector == 1.0f ? fall : r;
    // Green: rise in 0, q in 1 and 2, fall in 3, p in 4 and 5.
    F g = sector == 3.0f ? fall : p;
    g = sector <= 2.0f ? q : g;
    g = sector == 0.0f ? rise : g;
    // Blue: p in 0 and 1, rise in 2, q in 3 and 4, fall in 5.
    F b = sector <= 4.0f ? q : fall;
    b = sector == 2.0f ? rise : b;
    b = sector <= 1.0f ? p : b;
    const auto black = q <= 0.0f;
    red = black ? zero : r;
    green = black ? zero : g;
    blue = black ? zero : b;
}

// Square root and truncation, the two operations the vector extensions do
// not spell (std::sqrt and std::trunc of the per-pixel code), written lane by lane and through integer conversion so that
// each instruction level compiles them to its own vector instructions.
template <int kLanes>
struct LaneOps {
    using F = typename Lanes<kLanes>::F;
    using M = typename Lanes<kLanes>::M;
    // Half as many lanes: doubles at the register width of the floats.
    using Half = Lanes<kLanes / 2>;
    static constexpr int kCount = kLanes;
    static TWL_LANES F squareRoot(F x) {
        F root;
        for (int i = 0; i < kLanes; ++i) root[i] = __builtin_sqrtf(x[i]);
        return root;
    }
    // Below 2^23 a float may have a fraction: dropped through a 32-bit
    // integer, keeping the sign for -0; larger values and NaN are whole.
    static TWL_LANES F truncated(F x) {
        const M bits = M(x);
        const M sign = bits & (M{} + INT32_MIN);
        const F magnitude = F(bits & ~sign);
        const M small = magnitude < 8388608.0f;
        const F safe = small ? x : F{};
        const M whole = M(__builtin_convertvector(__builtin_convertvector(safe, M), F));
        return small ? F((whole & ~sign) | sign) : x;
    }
};

}  // namespace
