// Hue, saturation and lightness glue modes, and the opponent-colour modes that
// apply the light steps to L, a and b.
#include "kernels/colour_space_modes.h"

#include <algorithm>
#include <cmath>

#include "kernels/blend_building_blocks.h"
#include "kernels/filter_math.h"
#include "kernels/opponent_colour.h"

namespace {

constexpr float kTwoPi = 6.2831855f;

float reciprocalOf(int32_t channelMax) { return channelMax == 255 ? 1.0f / 255.0f : 1.0f / 32768.0f; }

RgbColor toWorking(const int32_t value[3], int32_t channelMax) {
    const float k = reciprocalOf(channelMax);
    return {static_cast<float>(value[0]) * k, static_cast<float>(value[1]) * k, static_cast<float>(value[2]) * k};
}

// Truncates c x M; anything outside [0, M] (a rounding step past the ends)
// is limited to it.
int32_t toChannel(float c, int32_t channelMax) {
    const float v = c * static_cast<float>(channelMax);
    if (!(v > 0.0f)) return 0;
    if (v >= static_cast<float>(channelMax)) return channelMax;
    return static_cast<int32_t>(v);
}

void store(const RgbColor& color, int32_t channelMax, int32_t worked[3]) {
    worked[0] = toChannel(color.red, channelMax);
    worked[1] = toChannel(color.green, channelMax);
    worked[2] = toChannel(color.blue, channelMax);
}

// Composes hue and saturation with the lightness that shows `target`.
void storePerceived(float hue, float saturation, float target, int32_t channelMax, int32_t worked[3]) {
    const float lightness = lightnessForPerceived(target, hueMidpoint(hue, saturation));
    store(hslToRgb({hue, saturation, lightness}), channelMax, worked);
}

float lumaLightness(const int32_t value[3], int32_t channelMax) {
    return static_cast<float>(luma(value[0], value[1], value[2])) * reciprocalOf(channelMax);
}

// 1 - |2l - 1|^4: 1 at mid lightness, 0 at black and white.
float bell(float lightness) {
    const float a = std::fabs(2.0f * lightness - 1.0f);
    return 1.0f - a * a * a * a;
}

void mixBySpread(int32_t worked[3], const int32_t source[3], float e) {
    for (int c = 0; c < 3; ++c) {
        worked[c] = static_cast<int32_t>(static_cast<float>(source[c]) * (1.0f - e) + static_cast<float>(worked[c]) * e);
    }
}

void lightProduct(int32_t worked[3], const int32_t source[3], int32_t channelMax, bool protectBySource) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    const HslColor s = rgbToHsl(toWorking(source, channelMax));
    const float lT = perceivedLightness(t), lS = perceivedLightness(s);
    const float x = lT * lS;
    float d = x * (2.0f - x);
    const float p = protectBySource ? lS : lT;
    if (p > 0.8f) d = d + 5.0f * (p - 0.8f) * (p - d);
    if (p < 0.2f) d = d + (p - d) * 5.0f * (0.2f - p);
    d = std::clamp(d, 0.0f, 1.0f);
    const HslColor& keep = protectBySource ? s : t;
    storePerceived(keep.hue, keep.saturation, d, channelMax, worked);
}

struct OpponentParietal {
    template <class Sc>
    static void apply(const int32_t* t, const int32_t* s, int32_t* o) {
        o[0] = (t[0] * s[0]) >> Sc::fullShift;
        o[1] = hardLightStep<Sc>(t[1], s[1]);
        o[2] = hardLightStep<Sc>(t[2], s[2]);
    }
};

struct OpponentTemporal {
    template <class Sc>
    static void apply(const int32_t* t, const int32_t* s, int32_t* o) {
        o[0] = Sc::max - (((Sc::max - t[0]) * (Sc::max - s[0])) >> Sc::fullShift);
        o[1] = hardLightStep<Sc>(t[1], s[1]);
        o[2] = hardLightStep<Sc>(t[2], s[2]);
    }
};

struct OpponentOccipital {
    template <class Sc>
    static void apply(const int32_t* t, const int32_t* s, int32_t* o) {
        for (int c = 0; c < 3; ++c) o[c] = pinLightStep<Sc>(s[c], t[c]);
    }
};

struct OpponentLimbic {
    template <class Sc>
    static void apply(const int32_t* t, const int32_t* s, int32_t* o) {
        for (int c = 0; c < 3; ++c) o[c] = pinLightStep<Sc>(t[c], s[c]);
    }
};

template <class Combine>
void blendOpponent(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const bool sixteenBit = channelMax != 255;
    int32_t t[3], s[3], o[3];
    opponentForward(worked, sixteenBit, t);
    opponentForward(source, sixteenBit, s);
    if (sixteenBit) {
        Combine::template apply<SixteenBitScale>(t, s, o);
    } else {
        Combine::template apply<EightBitScale>(t, s, o);
    }
    opponentInverse(o, sixteenBit, worked);
}

}  // namespace

float hueMidpoint(float hue, float saturation) {
    const RgbColor c = hslToRgb({hue, saturation, 0.5f});
    return std::clamp(0.28f * c.red + 0.52f * c.green + 0.20f * c.blue, 0.0f, 1.0f);
}

float perceivedLightness(const HslColor& color) {
    const float g = hueMidpoint(color.hue, color.saturation);
    const float l = color.lightness;
    if (l <= 0.5f) return 2.0f * l * g;
    return g + (1.0f - g) * (2.0f * l - 1.0f);
}

float lightnessForPerceived(float target, float midpoint) {
    if (target >= 1.0f) return 1.0f;
    if (target <= 0.0f) return 0.0f;
    // target > midpoint implies midpoint < 1; otherwise 0 < target <= midpoint.
    if (target > midpoint) return 0.5f + 0.5f * (target - midpoint) / (1.0f - midpoint);
    return 0.5f * target / midpoint;
}

HslColor rgbToPerceivedHsl(const RgbColor& color) {
    HslColor hsl = rgbToHsl(color);
    hsl.lightness = perceivedLightness(hsl);
    return hsl;
}

RgbColor perceivedHslToRgb(const HslColor& color) {
    const float lightness = lightnessForPerceived(color.lightness, hueMidpoint(color.hue, color.saturation));
    return hslToRgb({color.hue, color.saturation, lightness});
}

void blendColor(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    storePerceived(t.hue, t.saturation, lumaLightness(source, channelMax), channelMax, worked);
}

void blendLuminance(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor s = rgbToHsl(toWorking(source, channelMax));
    storePerceived(s.hue, s.saturation, lumaLightness(worked, channelMax), channelMax, worked);
}

void blendSaturation(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    const HslColor s = rgbToHsl(toWorking(source, channelMax));
    storePerceived(s.hue, t.saturation, perceivedLightness(s), channelMax, worked);
}

void blendHue(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    const HslColor s = rgbToHsl(toWorking(source, channelMax));
    storePerceived(t.hue, s.saturation, perceivedLightness(s), channelMax, worked);
}

void blendWax(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    mixBySpread(worked, source, t.saturation * bell(t.lightness));
}

void blendWane(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    mixBySpread(worked, source, (1.0f - t.saturation) * bell(t.lightness));
}

void blendFrontal(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    const HslColor s = rgbToHsl(toWorking(source, channelMax));
    const float xT = t.saturation * filterCos(kTwoPi * t.hue), yT = t.saturation * filterSin(kTwoPi * t.hue);
    const float xS = s.saturation * filterCos(kTwoPi * s.hue), yS = s.saturation * filterSin(kTwoPi * s.hue);
    const float f = bell(t.lightness) * bell(s.lightness);
    const float x = xT + (xS - xT) * f, y = yT + (yS - yT) * f;
    float angle = filterAtan2(y, x);
    if (angle < 0.0f) angle += kTwoPi;
    const HslColor mixed{angle / kTwoPi, std::sqrt(x * x + y * y), std::min(t.lightness, s.lightness)};
    store(hslToRgb(mixed), channelMax, worked);
}

void blendParietal(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    blendOpponent<OpponentParietal>(worked, source, channelMax);
}

void blendTemporal(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    blendOpponent<OpponentTemporal>(worked, source, channelMax);
}

void blendOccipital(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    blendOpponent<OpponentOccipital>(worked, source, channelMax);
}

void blendLimbic(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    blendOpponent<OpponentLimbic>(worked, source, channelMax);
}

// The dextrous rule on lightnesses: the worked perceived lightness against the
// source luma.
void blendSinister(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    const HslColor t = rgbToHsl(toWorking(worked, channelMax));
    const float m = perceivedLightness(t);
    const float o = lumaLightness(source, channelMax);
    float v;
    if (m <= o) {
        v = o == 0.0f ? 1.0f : 1.0f - 0.5f * m / o;
    } else {
        v = 0.5f * o / m;
    }
    storePerceived(t.hue, t.saturation, v, channelMax, worked);
}

void blendAnterior(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    lightProduct(worked, source, channelMax, false);
}

void blendPosterior(int32_t worked[3], const int32_t source[3], int32_t channelMax) {
    lightProduct(worked, source, channelMax, true);
}
