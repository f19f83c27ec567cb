// The computing stages of the per-pixel effect over a run of pixels. The
// branches of the colour conversions become selects between values computed
// for every lane: each lane ends with the value its branch would have given,
// computed by the same operations, so the results are bit for bit those of
// the per-pixel code. The stage bodies are compiled once per instruction
// level (the wrappers below) and chosen at run time.
#include "effect/pixel_batch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#define TWL_LANES inline __attribute__((always_inline))

namespace {

constexpr float kHalfTurn = 0.5f;

TWL_LANES float limit(float value, float low, float high) { return std::min(std::max(value, low), high); }

// std::trunc, spelt so that every instruction level can vectorise it: below
// 2^23 a float has a fraction to drop; the sign is kept for -0.
TWL_LANES float truncated(float value) {
    const float magnitude = std::fabs(value);
    const float dropped = std::copysign(float(int32_t(magnitude < 8388608.0f ? value : 0.0f)), value);
    return magnitude < 8388608.0f ? dropped : value;
}

struct Hsl {
    float hue, saturation, lightness;
};

// rgbToHsl without branches.
TWL_LANES Hsl hslOf(float red, float green, float blue) {
    const float mx = std::max(std::max(red, green), blue);
    const float mn = std::min(std::min(red, green), blue);
    const float lightness = (mx + mn) / 2.0f;
    const float d = mx - mn;
    const float saturation = lightness <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
    const float partRed = (mx - red) / d, partGreen = (mx - green) / d, partBlue = (mx - blue) / d;
    const float sixths = red == mx     ? (green == mn ? 5.0f + partBlue : 1.0f - partGreen)
                         : green == mx ? (blue == mn ? 1.0f + partRed : 3.0f - partBlue)
                                       : (red == mn ? 3.0f + partGreen : 5.0f - partRed);
    const bool grey = lightness <= 0.0f || d == 0.0f;
    return Hsl{grey ? 0.0f : sixths / 6.0f, grey ? 0.0f : saturation, lightness};
}

// hslSaturation without branches.
TWL_LANES float saturationOf(float red, float green, float blue) {
    const float mx = std::max(std::max(red, green), blue);
    const float mn = std::min(std::min(red, green), blue);
    const float lightness = (mx + mn) / 2.0f;
    const float d = mx - mn;
    const float saturation = lightness <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
    return (lightness <= 0.0f || d == 0.0f) ? 0.0f : saturation;
}

// hslToRgb without branches; the sector is kept as a float.
TWL_LANES void rgbOf(float hue, float saturation, float lightness, float& red, float& green, float& blue) {
    const float l = lightness, s = saturation;
    const float q = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float p = 2.0f * l - q;
    const float scaled = 6.0f * hue;
    const float k = truncated(scaled);
    const float f = scaled - k;
    const float rise = p + (q - p) * f;
    const float fall = q - (q - p) * f;
    const float sector = (k >= 0.0f && k < 6.0f) ? k : 0.0f;
    const bool black = q <= 0.0f;
    const float r = sector == 1.0f ? fall : (sector == 2.0f || sector == 3.0f) ? p : sector == 4.0f ? rise : q;
    const float g = sector == 0.0f ? rise : sector <= 2.0f ? q : sector == 3.0f ? fall : p;
    const float b = sector <= 1.0f ? p : sector == 2.0f ? rise : sector <= 4.0f ? q : fall;
    red = black ? 0.0f : r;
    green = black ? 0.0f : g;
    blue = black ? 0.0f : b;
}

TWL_LANES void positions(const EffectSetup& e, float scale, float offsetX, float width, int32_t x0, float v,
                         PixelBatch& batch) {
    const int count = batch.count;
    for (int i = 0; i < count; ++i) {
        const float px = float(double((float(x0 + i) - 0.5f) * scale + offsetX) + 0.5);
        const float u = (2 * px + 1) / (2 * width);
        const float d = std::max(falloffDistance(e.shape, u, v, e.centerX, e.centerY, e.clearRadius), 0.0f);
        batch.u[i] = u;
        batch.distance[i] = d;
        batch.blurRadius[i] = std::max(e.radiusScale * (d * e.focusGain) + 1, 1.0f);
    }
}

TWL_LANES void colours(const EffectSetup& e, float v, PixelBatch& batch) {
    const int count = batch.count;
    float* const red = batch.red;
    float* const green = batch.green;
    float* const blue = batch.blue;

    // Colour blur: the blurred sample through HSL, mixed in by its amount.
    if (batch.anyColourBlur) {
        for (int i = 0; i < count; ++i) {
            const Hsl b = hslOf(batch.blurRed[i], batch.blurGreen[i], batch.blurBlue[i]);
            float br, bg, bb;
            rgbOf(limit(b.hue, 0, 1), limit(b.saturation, 0, 1), limit(b.lightness, 0, 1), br, bg, bb);
            const float f = batch.blurMix[i];
            const bool mixes = f > 0;
            red[i] = mixes ? red[i] + (br - red[i]) * f : red[i];
            green[i] = mixes ? green[i] + (bg - green[i]) * f : green[i];
            blue[i] = mixes ? blue[i] + (bb - blue[i]) * f : blue[i];
        }
    }

    for (int i = 0; i < count; ++i) {
        const float d = batch.distance[i];
        // Saturation, turning the hue to its complement where it goes negative.
        const Hsl hsl = hslOf(red[i], green[i], blue[i]);
        const float raised = hsl.saturation * (d * e.saturationSlope + 1);
        const bool negative = raised < 0;
        const float saturation = limit(negative ? -raised : raised, 0, 1);
        const float turned = negative ? hsl.hue + kHalfTurn : hsl.hue;
        const float hue = turned - truncated(turned);
        float r, g, b;
        rgbOf(hue, saturation, hsl.lightness, r, g, b);

        // Dampen.
        const float sigma = saturationOf(r * 0.5f, g * 0.5f, b * 0.5f);
        const float keep = 1 - limit(d * e.dampenGain * 7 * sigma, 0, 1);
        r *= keep;
        g *= keep;
        b *= keep;

        // Vignette on squared values.
        const float vignetteDistance =
            e.centerVignette ? std::max(falloffDistance(e.shape, batch.u[i], v, 0.5f, 0.5f, e.clearRadius), 0.0f) : d;
        const float n = limit(vignetteDistance * e.vignetteGain, 0, 1);
        r = std::sqrt(r * r + (e.vignetteSquared[0] - r * r) * n);
        g = std::sqrt(g * g + (e.vignetteSquared[1] - g * g) * n);
        b = std::sqrt(b * b + (e.vignetteSquared[2] - b * b) * n);

        // Sepia.
        const float luma = 0.3f * r + 0.59f * g + 0.11f * b;
        const float strength = limit(e.uniformSepia ? e.sepiaGain : d * e.sepiaGain * 2.5f, 0, 1);
        const float toneBase = luma * (2 * luma - 1);
        const float toneSlope = 4 * luma * (1 - luma);
        const float toneRed = toneBase + toneSlope * e.sepiaColor[0];
        const float toneGreen = toneBase + toneSlope * e.sepiaColor[1];
        const float toneBlue = toneBase + toneSlope * e.sepiaColor[2];
        red[i] = r + (toneRed - r) * strength;
        green[i] = g + (toneGreen - g) * strength;
        blue[i] = b + (toneBlue - b) * strength;
    }
}

#if defined(__x86_64__) && !defined(_WIN32)
// Windows' 64-bit calling convention does not align the stack for 32-byte
// spills, so the wider levels are built for the other systems only.
#define TWL_WIDE_LEVELS 1
__attribute__((target("avx2"))) void positionsAvx2(const EffectSetup& e, float scale, float offsetX, float width,
                                                   int32_t x0, float v, PixelBatch& batch) {
    positions(e, scale, offsetX, width, x0, v, batch);
}
__attribute__((target("avx2"))) void coloursAvx2(const EffectSetup& e, float v, PixelBatch& batch) {
    colours(e, v, batch);
}
__attribute__((target("avx512f,avx512vl,avx512dq"))) void positionsAvx512(const EffectSetup& e, float scale,
                                                                          float offsetX, float width, int32_t x0,
                                                                          float v, PixelBatch& batch) {
    positions(e, scale, offsetX, width, x0, v, batch);
}
__attribute__((target("avx512f,avx512vl,avx512dq"))) void coloursAvx512(const EffectSetup& e, float v,
                                                                        PixelBatch& batch) {
    colours(e, v, batch);
}
#endif

}  // namespace

void batchPositions(const EffectSetup& setup, float scale, float offsetX, float width, int32_t x0, float v,
                    PixelBatch& batch, SimdLevel level) {
#if defined(TWL_WIDE_LEVELS)
    if (level == SimdLevel::avx512) return positionsAvx512(setup, scale, offsetX, width, x0, v, batch);
    if (level == SimdLevel::avx2) return positionsAvx2(setup, scale, offsetX, width, x0, v, batch);
#endif
    (void)level;
    positions(setup, scale, offsetX, width, x0, v, batch);
}

void batchColours(const EffectSetup& setup, float v, PixelBatch& batch, SimdLevel level) {
#if defined(TWL_WIDE_LEVELS)
    if (level == SimdLevel::avx512) return coloursAvx512(setup, v, batch);
    if (level == SimdLevel::avx2) return coloursAvx2(setup, v, batch);
#endif
    (void)level;
    colours(setup, v, batch);
}
