// The colour stage of the effect on vectors of lanes (GCC's vector
// extensions): every branch of the per-pixel code becomes a select between
// values computed for every lane by the same operations, so each lane gets
// the per-pixel code's bits. Included only by the translation units that
// compile it for one instruction level each; everything here has internal
// linkage, so that no level's code is shared with another.
#pragma once

#include <cstdint>
#include <cstring>

#include "effect/pixel_batch.h"

#define TWL_LANES inline __attribute__((always_inline))

namespace {

// Lanes of floats and their masks (all bits set where a comparison holds),
// as GCC's vector extensions: the arithmetic is the scalar IEEE arithmetic
// lane by lane, and `mask ? a : b` picks lane by lane.
template <int kLanes>
struct Lanes {
    typedef float F __attribute__((vector_size(4 * kLanes)));
    typedef int32_t M __attribute__((vector_size(4 * kLanes)));
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

// Lanes from and to arrays of their element type.
template <class V, class T>
TWL_LANES V load(const T* from) {
    V value;
    std::memcpy(&value, from, sizeof value);
    return value;
}
template <class V, class T>
TWL_LANES void store(T* to, V value) {
    std::memcpy(to, &value, sizeof value);
}

// Square root and truncation, the two operations the vector extensions do
// not spell, written lane by lane and through integer conversion so that
// each instruction level compiles them to its own vector instructions.
template <int kLanes>
struct LaneOps {
    using F = typename Lanes<kLanes>::F;
    using M = typename Lanes<kLanes>::M;
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

// Every lane of the batch is worked (lanes past the count hold the values
// of an earlier run, whose results are not used).
template <class F, class Ops>
TWL_LANES void colours(const EffectSetup& setup, PixelBatch& batch) {
    const EffectSetup e = setup;
    constexpr int kStep = int(sizeof(F) / sizeof(float));
    static_assert(kPixelBatch % kStep == 0);

    // Colour blur: the blurred sample through HSL, mixed in by its amount.
    if (batch.anyColourBlur) {
        for (int i = 0; i < kPixelBatch; i += kStep) {
            const Hsl<F, Ops> b = hslOf<F, Ops>(load<F>(batch.blurRed + i), load<F>(batch.blurGreen + i),
                                                load<F>(batch.blurBlue + i));
            F br, bg, bb;
            rgbOf<F, Ops>(limit(b.hue, 0, 1), limit(b.saturation, 0, 1), limit(b.lightness, 0, 1), br, bg, bb);
            const F f = load<F>(batch.blurMix + i);
            const auto mixes = f > 0.0f;
            const F red = load<F>(batch.red + i), green = load<F>(batch.green + i), blue = load<F>(batch.blue + i);
            store(batch.red + i, mixes ? red + (br - red) * f : red);
            store(batch.green + i, mixes ? green + (bg - green) * f : green);
            store(batch.blue + i, mixes ? blue + (bb - blue) * f : blue);
        }
    }

    for (int i = 0; i < kPixelBatch; i += kStep) {
        const F d = load<F>(batch.distance + i);
        // Saturation, turning the hue to its complement where it goes negative.
        const Hsl<F, Ops> hsl = hslOf<F, Ops>(load<F>(batch.red + i), load<F>(batch.green + i), load<F>(batch.blue + i));
        const F raised = hsl.saturation * (d * e.saturationSlope + 1.0f);
        const auto negative = raised < 0.0f;
        const F saturation = limit(negative ? -raised : raised, 0, 1);
        const F turned = negative ? hsl.hue + 0.5f : hsl.hue;
        const F hue = turned - Ops::truncated(turned);
        F r, g, b;
        rgbOf<F, Ops>(hue, saturation, hsl.lightness, r, g, b);

        // Dampen.
        const F sigma = saturationOf(r * 0.5f, g * 0.5f, b * 0.5f);
        const F keep = 1.0f - limit(d * e.dampenGain * 7.0f * sigma, 0, 1);
        r *= keep;
        g *= keep;
        b *= keep;

        // Vignette on squared values.
        const F n = limit(load<F>(batch.vignetteDistance + i) * e.vignetteGain, 0, 1);
        r = Ops::squareRoot(r * r + (e.vignetteSquared[0] - r * r) * n);
        g = Ops::squareRoot(g * g + (e.vignetteSquared[1] - g * g) * n);
        b = Ops::squareRoot(b * b + (e.vignetteSquared[2] - b * b) * n);

        // Sepia.
        const F luma = 0.3f * r + 0.59f * g + 0.11f * b;
        const F strength = limit(e.uniformSepia ? splat<F>(e.sepiaGain) : d * e.sepiaGain * 2.5f, 0, 1);
        const F toneBase = luma * (2.0f * luma - 1.0f);
        const F toneSlope = 4.0f * luma * (1.0f - luma);
        store(batch.red + i, r + (toneBase + toneSlope * e.sepiaColor[0] - r) * strength);
        store(batch.green + i, g + (toneBase + toneSlope * e.sepiaColor[1] - g) * strength);
        store(batch.blue + i, b + (toneBase + toneSlope * e.sepiaColor[2] - b) * strength);
    }
}

// The finish of finishPixel for the lanes that need no spill.
template <int kLanes>
TWL_LANES void finish(FinishRule rule, const PixelBatch& batch, FinishedBatch& finished) {
    using F = typename Lanes<kLanes>::F;
    using M = typename Lanes<kLanes>::M;
    typedef double D __attribute__((vector_size(8 * kLanes)));
    const float scale = float(rule.maximum);
    // A truncated value passes the maximum from maximum + 1 on.
    const float spillsFrom = scale + 1.0f;
    const M maximum = M{} + rule.maximum;
    const M zero = M{};
    for (int i = 0; i < kPixelBatch; i += kLanes) {
        const F red = load<F>(batch.red + i) * scale;
        const F green = load<F>(batch.green + i) * scale;
        const F blue = load<F>(batch.blue + i) * scale;
        const F coverage = load<F>(batch.coverage + i) * scale;
        const M plain = (red < spillsFrom) & (green < spillsFrom) & (blue < spillsFrom) & (coverage < spillsFrom) &
                        (coverage == coverage);
        // Values below -1 truncate to at most -1 and are then limited at 0,
        // so they are raised to -1 first (keeping every conversion defined).
        const F low = splat<F>(-1.0f);
        M r = __builtin_convertvector(maxOf(red, low), M);
        M g = __builtin_convertvector(maxOf(green, low), M);
        M b = __builtin_convertvector(maxOf(blue, low), M);
        r = r < zero ? zero : r;
        g = g < zero ? zero : g;
        b = b < zero ? zero : b;
        if (rule.grey) r = (77 * r + 150 * g + 28 * b) >> 8;
        r = r > maximum ? maximum : r;
        g = g > maximum ? maximum : g;
        b = b > maximum ? maximum : b;
        const D gained = __builtin_convertvector(maxOf(coverage, low), D) * 1.007;
        M alpha = __builtin_convertvector(gained, M);
        alpha = alpha < zero ? zero : alpha;
        alpha = alpha > maximum ? maximum : alpha;
        store(finished.red + i, r);
        store(finished.green + i, g);
        store(finished.blue + i, b);
        store(finished.alpha + i, alpha);
        store(finished.perPixel + i, ~plain);
    }
}

}  // namespace
