// The colour-space glue modes on vectors of lanes (GCC's vector extensions):
// hue, saturation and perceived lightness, the colour wheel and the
// opponent-colour modes of colour_space_modes.cpp, every branch a select
// between values computed by the same operations, so each lane gets the
// per-pixel function's bits. A row is taken a vector of pixels at a time,
// its three channels apart. Included only by the translation units that
// build it for one instruction level each; internal linkage throughout.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "kernels/blend_mode_numbers.h"
#include "kernels/colour_space_rows.h"
#include "kernels/filter_math_lanes.h"
#include "kernels/hsl_lanes.h"
#include "kernels/opponent_lanes.h"

namespace {

constexpr float kWheelTurn = 6.2831855f;

// One vector of pixels: red, green and blue lanes of channel values.
template <class L>
struct PixelLanes {
    typename L::M channel[3];
};

TWL_LANES float reciprocalOfMax(int32_t channelMax) {
    return channelMax == 255 ? 1.0f / 255.0f : 1.0f / 32768.0f;
}

template <class L>
TWL_LANES Hsl<typename L::F, L> hslOfPixels(const PixelLanes<L>& pixels, int32_t channelMax) {
    using F = typename L::F;
    const float k = reciprocalOfMax(channelMax);
    return hslOf<F, L>(__builtin_convertvector(pixels.channel[0], F) * k,
                       __builtin_convertvector(pixels.channel[1], F) * k,
                       __builtin_convertvector(pixels.channel[2], F) * k);
}

// c x M truncated; at or below 0 (and NaN) 0, at or above M the maximum.
template <class L>
TWL_LANES typename L::M channelOf(typename L::F c, int32_t channelMax) {
    using F = typename L::F;
    using M = typename L::M;
    const F v = c * static_cast<float>(channelMax);
    const float top = static_cast<float>(channelMax);
    const M inside = (v > 0.0f) & (v < top);
    const M whole = __builtin_convertvector(inside ? v : F{}, M);
    return v >= top ? M{} + channelMax : whole;
}

template <class L>
TWL_LANES void storeRgb(typename L::F hue, typename L::F saturation, typename L::F lightness, int32_t channelMax,
                        PixelLanes<L>& out) {
    typename L::F r, g, b;
    rgbOf<typename L::F, L>(hue, saturation, lightness, r, g, b);
    out.channel[0] = channelOf<L>(r, channelMax);
    out.channel[1] = channelOf<L>(g, channelMax);
    out.channel[2] = channelOf<L>(b, channelMax);
}

template <class L>
TWL_LANES typename L::F midpointLanes(typename L::F hue, typename L::F saturation) {
    using F = typename L::F;
    F r, g, b;
    rgbOf<F, L>(hue, saturation, splat<F>(0.5f), r, g, b);
    return limit(0.28f * r + 0.52f * g + 0.20f * b, 0.0f, 1.0f);
}

template <class L>
TWL_LANES typename L::F perceivedLanes(const Hsl<typename L::F, L>& color) {
    using F = typename L::F;
    const F g = midpointLanes<L>(color.hue, color.saturation);
    const F l = color.lightness;
    return l <= 0.5f ? 2.0f * l * g : g + (1.0f - g) * (2.0f * l - 1.0f);
}

template <class L>
TWL_LANES typename L::F lightnessForPerceivedLanes(typename L::F target, typename L::F midpoint) {
    using F = typename L::F;
    F lightness = target > midpoint ? 0.5f + 0.5f * (target - midpoint) / (1.0f - midpoint) : 0.5f * target / midpoint;
    lightness = target <= 0.0f ? F{} : lightness;
    return target >= 1.0f ? splat<F>(1.0f) : lightness;
}

// Hue and saturation with the lightness that shows `target`.
template <class L>
TWL_LANES void storePerceivedLanes(typename L::F hue, typename L::F saturation, typename L::F target,
                                   int32_t channelMax, PixelLanes<L>& out) {
    const typename L::F lightness = lightnessForPerceivedLanes<L>(target, midpointLanes<L>(hue, saturation));
    storeRgb<L>(hue, saturation, lightness, channelMax, out);
}

template <class L>
TWL_LANES typename L::F lumaLightnessLanes(const PixelLanes<L>& pixels, int32_t channelMax) {
    const typename L::M luma = (77 * pixels.channel[0] + 150 * pixels.channel[1] + 28 * pixels.channel[2]) >> 8;
    return __builtin_convertvector(luma, typename L::F) * reciprocalOfMax(channelMax);
}

template <class L>
TWL_LANES typename L::F bellLanes(typename L::F lightness) {
    const typename L::F a = magnitudeOf<L>(2.0f * lightness - 1.0f);
    return 1.0f - a * a * a * a;
}

template <class L>
TWL_LANES void mixBySpreadLanes(PixelLanes<L>& worked, const PixelLanes<L>& source, typename L::F e) {
    using F = typename L::F;
    using M = typename L::M;
    for (int c = 0; c < 3; ++c) {
        const F mixed = __builtin_convertvector(source.channel[c], F) * (1.0f - e) +
                        __builtin_convertvector(worked.channel[c], F) * e;
        worked.channel[c] = __builtin_convertvector(mixed, M);
    }
}

// The modes, each replacing the worked lanes by the blend.
struct ColorLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        const auto t = hslOfPixels<L>(worked, channelMax);
        storePerceivedLanes<L>(t.hue, t.saturation, lumaLightnessLanes<L>(source, channelMax), channelMax, worked);
    }
};

struct LuminanceLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        const auto s = hslOfPixels<L>(source, channelMax);
        storePerceivedLanes<L>(s.hue, s.saturation, lumaLightnessLanes<L>(worked, channelMax), channelMax, worked);
    }
};

struct SaturationLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        const auto t = hslOfPixels<L>(worked, channelMax);
        const auto s = hslOfPixels<L>(source, channelMax);
        storePerceivedLanes<L>(s.hue, t.saturation, perceivedLanes<L>(s), channelMax, worked);
    }
};

struct HueLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        const auto t = hslOfPixels<L>(worked, channelMax);
        const auto s = hslOfPixels<L>(source, channelMax);
        storePerceivedLanes<L>(t.hue, s.saturation, perceivedLanes<L>(s), channelMax, worked);
    }
};

struct WaxLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        const auto t = hslOfPixels<L>(worked, channelMax);
        mixBySpreadLanes<L>(worked, source, t.saturation * bellLanes<L>(t.lightness));
    }
};

struct WaneLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        const auto t = hslOfPixels<L>(worked, channelMax);
        mixBySpreadLanes<L>(worked, source, (1.0f - t.saturation) * bellLanes<L>(t.lightness));
    }
};

// The colour wheel: both colours as points (saturation, hue angle), moved
// toward each other by the product of their bells.
struct FrontalLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        using F = typename L::F;
        const auto t = hslOfPixels<L>(worked, channelMax);
        const auto s = hslOfPixels<L>(source, channelMax);
        F sinT, cosT, sinS, cosS;
        sinCosLanes<L>(kWheelTurn * t.hue, sinT, cosT);
        sinCosLanes<L>(kWheelTurn * s.hue, sinS, cosS);
        const F xT = t.saturation * cosT, yT = t.saturation * sinT;
        const F xS = s.saturation * cosS, yS = s.saturation * sinS;
        const F f = bellLanes<L>(t.lightness) * bellLanes<L>(s.lightness);
        const F x = xT + (xS - xT) * f, y = yT + (yS - yT) * f;
        F angle = atan2Lanes<L>(y, x);
        angle = angle < 0.0f ? angle + kWheelTurn : angle;
        storeRgb<L>(angle / kWheelTurn, L::squareRoot(x * x + y * y), minOf(t.lightness, s.lightness), channelMax,
                    worked);
    }
};

struct SinisterLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        using F = typename L::F;
        const auto t = hslOfPixels<L>(worked, channelMax);
        const F m = perceivedLanes<L>(t);
        const F o = lumaLightnessLanes<L>(source, channelMax);
        const F below = o == 0.0f ? splat<F>(1.0f) : 1.0f - 0.5f * m / o;
        storePerceivedLanes<L>(t.hue, t.saturation, m <= o ? below : 0.5f * o / m, channelMax, worked);
    }
};

// The light product of the two perceived lightnesses, protected near black
// and white by the worked or the source lightness.
template <bool kProtectBySource>
struct LightProductLanes {
    template <class L>
    static TWL_LANES void apply(PixelLanes<L>& worked, const PixelLanes<L>& source, int32_t channelMax) {
        using F = typename L::F;
        const auto t = hslOfPixels<L>(worked, channelMax);
        const auto s = hslOfPixels<L>(source, channelMax);
        const F lT = perceivedLanes<L>(t), lS = perceivedLanes<L>(s);
        const F x = lT * lS;
        F d = x * (2.0f - x);
        const F p = kProtectBySource ? lS : lT;
        d = p > 0.8f ? d + 5.0f * (p - 0.8f) * (p - d) : d;
        d = p < 0.2f ? d + (p - d) * 5.0f * (0.2f - p) : d;
        d = limit(d, 0.0f, 1.0f);
        const auto& keep = kProtectBySource ? s : t;
        storePerceivedLanes<L>(keep.hue, keep.saturation, d, channelMax, worked);
    }
};

// A row of interleaved pixels a vector at a time, through planes of plain
// arrays (a few stores and one load per vector, rather than a lane insert
// per value); the last, partial vector is padded with black.
template <class L, class Mode>
TWL_LANES void colourSpaceRowLanes(int32_t* worked, const int32_t* source, int count, int32_t channelMax) {
    constexpr int kStep = L::kCount;
    for (int first = 0; first < count; first += kStep) {
        const int n = std::min(kStep, count - first);
        int32_t planes[6][kStep] = {};
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < 3; ++c) {
                planes[c][i] = worked[3 * (first + i) + c];
                planes[3 + c][i] = source[3 * (first + i) + c];
            }
        }
        PixelLanes<L> t, s;
        for (int c = 0; c < 3; ++c) {
            std::memcpy(&t.channel[c], planes[c], sizeof t.channel[c]);
            std::memcpy(&s.channel[c], planes[3 + c], sizeof s.channel[c]);
        }
        Mode::template apply<L>(t, s, channelMax);
        for (int c = 0; c < 3; ++c) std::memcpy(planes[c], &t.channel[c], sizeof t.channel[c]);
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < 3; ++c) worked[3 * (first + i) + c] = planes[c][i];
        }
    }
}

template <class L, class Mode>
void colourSpaceRowOf(int32_t* worked, const int32_t* source, int count, int32_t channelMax) {
    colourSpaceRowLanes<L, Mode>(worked, source, count, channelMax);
}

// The row functions of one level by mode number.
template <class L>
ColourSpaceRow colourSpaceRowsOf(int32_t mode) {
    switch (mode) {
    case kBlendColor: return colourSpaceRowOf<L, ColorLanes>;
    case kBlendLuminance: return colourSpaceRowOf<L, LuminanceLanes>;
    case kBlendSaturation: return colourSpaceRowOf<L, SaturationLanes>;
    case kBlendHue: return colourSpaceRowOf<L, HueLanes>;
    case kBlendWax: return colourSpaceRowOf<L, WaxLanes>;
    case kBlendWane: return colourSpaceRowOf<L, WaneLanes>;
    case kBlendFrontal: return colourSpaceRowOf<L, FrontalLanes>;
    case kBlendParietal: return colourSpaceRowOf<L, OpponentLanes<ParietalCombine>>;
    case kBlendTemporal: return colourSpaceRowOf<L, OpponentLanes<TemporalCombine>>;
    case kBlendOccipital: return colourSpaceRowOf<L, OpponentLanes<OccipitalCombine>>;
    case kBlendLimbic: return colourSpaceRowOf<L, OpponentLanes<LimbicCombine>>;
    case kBlendSinister: return colourSpaceRowOf<L, SinisterLanes>;
    case kBlendAnterior: return colourSpaceRowOf<L, LightProductLanes<false>>;
    case kBlendPosterior: return colourSpaceRowOf<L, LightProductLanes<true>>;
    default: return nullptr;
    }
}

}  // namespace
