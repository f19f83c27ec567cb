// The colour stage and the integer finish of the effect on vectors of lanes
// (GCC's vector extensions), over the HSL lanes of kernels/hsl_lanes.h:
// every branch of the per-pixel code (workColour, finishPixel) becomes a
// select, so each lane gets the per-pixel code's bits. Included only by the
// translation units that compile it for one instruction level each;
// everything here has internal linkage, so that no level's code is shared
// with another.
#pragma once

#include <cstdint>
#include <cstring>

#include "effect/pixel_batch.h"
#include "kernels/hsl_lanes.h"

namespace {

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
