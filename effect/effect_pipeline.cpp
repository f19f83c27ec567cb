// The per-pixel effect chain.
#include "effect/effect_pipeline.h"

#include "effect/output_stage.h"
#include "effect/pixel_batch.h"
#include "kernels/filter_math.h"
#include "kernels/hsl.h"
#include "kernels/job_workers.h"
#include "kernels/jobs.h"
#include "kernels/row_sampler.h"
#include "kernels/samplers.h"
#include "kernels/speed_settings.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kLog2E = 1.442695040888963f;
constexpr float kCoverageGain = 1.007f;

float limit(float value, float low, float high) { return std::min(std::max(value, low), high); }

void splitLevel(float level, int& whole, float& fraction) {
    whole = int(level);
    fraction = level - float(whole);
}

// The focus level's whole part and fraction for a blur radius.
void focusLevelOf(float blurRadius, float lmax, int& level, float& fraction) {
    splitLevel(limit(filterLog(blurRadius) * kLog2E * kLog2E, 0, lmax), level, fraction);
}

void setRgb(EffectColor& c, const RgbColor& rgb) {
    c.red = rgb.red;
    c.green = rgb.green;
    c.blue = rgb.blue;
}
}  // namespace

RgbColor workColour(const EffectSetup& e, const ColourStageInput& in) {
    RgbColor k{in.red, in.green, in.blue};
    // 5. Colour blur: the blurred sample through HSL, mixed in by its amount.
    if (in.blurMix > 0) {
        HslColor bh = rgbToHsl(in.blurRed, in.blurGreen, in.blurBlue);
        bh.hue = limit(bh.hue, 0, 1);
        bh.saturation = limit(bh.saturation, 0, 1);
        bh.lightness = limit(bh.lightness, 0, 1);
        const RgbColor blurred = hslToRgb(bh);
        k.red = k.red + (blurred.red - k.red) * in.blurMix;
        k.green = k.green + (blurred.green - k.green) * in.blurMix;
        k.blue = k.blue + (blurred.blue - k.blue) * in.blurMix;
    }
    const float d = in.distance;
    const HslColor hsl = rgbToHsl(k);

    // 6. Saturation, turning the hue to its complement where it goes negative.
    float saturation = hsl.saturation * (d * e.saturationSlope + 1);
    float hue = hsl.hue;
    if (saturation < 0) {
        saturation = -saturation;
        hue = hue + 0.5f;
    }
    saturation = limit(saturation, 0, 1);
    hue = hue - std::trunc(hue);
    k = hslToRgb(HslColor{hue, saturation, hsl.lightness});

    // 7. Dampen: saturated colours move toward black.
    const float sigma = hslSaturation(k.red * 0.5f, k.green * 0.5f, k.blue * 0.5f);
    const float dampen = limit(d * e.dampenGain * 7 * sigma, 0, 1);
    k.red *= 1 - dampen;
    k.green *= 1 - dampen;
    k.blue *= 1 - dampen;

    // 8. Vignette, mixed on squared values.
    const float n = limit(in.vignetteDistance * e.vignetteGain, 0, 1);
    float* channels[3] = {&k.red, &k.green, &k.blue};
    for (int c = 0; c < 3; ++c) {
        const float g = *channels[c];
        *channels[c] = std::sqrt(g * g + (e.vignetteSquared[c] - g * g) * n);
    }

    // 9. Sepia: a quadratic tone curve through the sepia colour at mid-grey.
    const float luma = 0.3f * k.red + 0.59f * k.green + 0.11f * k.blue;
    const float strength = limit(e.uniformSepia ? e.sepiaGain : d * e.sepiaGain * 2.5f, 0, 1);
    for (int c = 0; c < 3; ++c) {
        const float tone = luma * (2 * luma - 1) + 4 * luma * (1 - luma) * e.sepiaColor[c];
        *channels[c] = *channels[c] + (tone - *channels[c]) * strength;
    }
    return k;
}

EffectColor workPixel(const RenderContext& context, int32_t x, int32_t y) {
    const EffectSetup& e = context.setup;
    const Pyramid& pyramid = *context.source;
    const float lmax = float(pyramid.lmax);

    // 1. Position in normalised image coordinates.
    const float scale = float(context.previewScale);
    const float px = float(double((float(x) - 0.5f) * scale + float(context.previewOffsetX)) + 0.5);
    const float py = float(double((float(y) - 0.5f) * scale + float(context.previewOffsetY)) + 0.5);
    const float width = float(context.renderTarget == renderInternalImage ? context.extentWidth : pyramid.width[0]);
    const float height = float(context.renderTarget == renderInternalImage ? context.extentHeight : pyramid.height[0]);
    const float u = (2 * px + 1) / (2 * width);
    const float v = (2 * py + 1) / (2 * height);

    // 2. Falloff distance.
    const float d = std::max(falloffDistance(e.shape, u, v, e.centerX, e.centerY, e.clearRadius), 0.0f);

    // 3. Focus: blur level from the distance.
    const float blurRadius = std::max(e.radiusScale * (d * e.focusGain) + 1, 1.0f);
    int level;
    float fraction;
    focusLevelOf(blurRadius, lmax, level, fraction);
    EffectColor k = e.highQuality ? sampleHighQuality(pyramid, level, fraction, u, v)
                                  : sampleFast(pyramid, level, fraction, u, v);

    // 4. Coverage.
    k.coverage = limit(k.coverage * kCoverageGain, 0, 1);

    // 5. Colour blur: its sample and mix, where the pixel is colour blurred.
    ColourStageInput in;
    in.red = k.red;
    in.green = k.green;
    in.blue = k.blue;
    in.distance = d;
    in.vignetteDistance = d;
    if (e.centerVignette)
        in.vignetteDistance = std::max(falloffDistance(e.shape, u, v, 0.5f, 0.5f, e.clearRadius), 0.0f);
    if (k.coverage > 0) {
        const float f = d * e.blurGain;
        if (f > 0) {
            const float r2 = e.blurWidth * 120 + blurRadius;
            const float blurLevel = limit(filterLog(std::max(r2, 1.0f)) * kLog2E, 0, lmax);
            int bLevel;
            float bFraction;
            splitLevel(blurLevel, bLevel, bFraction);
            const EffectColor b = sampleFast(pyramid, bLevel, bFraction, u, v);
            in.blurRed = b.red;
            in.blurGreen = b.green;
            in.blurBlue = b.blue;
            in.blurMix = std::min(f, 1.0f);
        }
    }

    // 6 to 9.
    setRgb(k, workColour(e, in));
    return k;
}

namespace {
// The samples of a batch, pixel by pixel: the focus sample with its coverage
// gain, and the colour blur's sample where the pixel is colour blurred.
void takeSamples(const EffectSetup& e, const Pyramid& pyramid, RowSampler& sampler, PixelBatch& batch) {
    const float lmax = float(pyramid.lmax);
    batch.anyColourBlur = false;
    // The focus levels' logarithms for the whole batch at once, then the
    // focus samples.
    float logRadius[kPixelBatch];
    filterLogRun(batch.blurRadius, logRadius, batch.count);
    int32_t levels[kPixelBatch];
    float fractions[kPixelBatch];
    for (int i = 0; i < batch.count; ++i)
        splitLevel(limit(logRadius[i] * kLog2E * kLog2E, 0, lmax), levels[i], fractions[i]);
    if (e.highQuality) {
        sampler.sampleHighQualityRun(batch.count, levels, fractions, batch.u, batch.red, batch.green, batch.blue,
                                     batch.coverage);
    } else {
        sampler.sampleFastRun(batch.count, levels, fractions, batch.u, batch.red, batch.green, batch.blue,
                              batch.coverage);
    }
    for (int i = 0; i < batch.count; ++i) {
        const float u = batch.u[i];
        batch.coverage[i] = limit(batch.coverage[i] * kCoverageGain, 0, 1);
        batch.blurMix[i] = 0;
        const float f = batch.distance[i] * e.blurGain;
        if (batch.coverage[i] > 0 && f > 0) {
            const float r2 = e.blurWidth * 120 + batch.blurRadius[i];
            int bLevel;
            float bFraction;
            splitLevel(limit(filterLog(std::max(r2, 1.0f)) * kLog2E, 0, lmax), bLevel, bFraction);
            const EffectColor b = sampler.sampleFast(bLevel, bFraction, u);
            batch.blurRed[i] = b.red;
            batch.blurGreen[i] = b.green;
            batch.blurBlue[i] = b.blue;
            batch.blurMix[i] = std::min(f, 1.0f);
            batch.anyColourBlur = true;
        } else {
            batch.blurRed[i] = batch.blurGreen[i] = batch.blurBlue[i] = 0;
        }
    }
}

// The same pixels as workPixel, a batch at a time.
void renderRowSpanInBatches(const RenderContext& context, const PixelOutput& output, int32_t y, int32_t x0,
                            int32_t x1, SimdLevel simd) {
    const EffectSetup& e = context.setup;
    const Pyramid& pyramid = *context.source;
    const float scale = float(context.previewScale);
    const float py = float(double((float(y) - 0.5f) * scale + float(context.previewOffsetY)) + 0.5);
    const bool internal = context.renderTarget == renderInternalImage;
    const float width = float(internal ? context.extentWidth : pyramid.width[0]);
    const float height = float(internal ? context.extentHeight : pyramid.height[0]);
    const float v = (2 * py + 1) / (2 * height);

    // The sums a row's samples share, kept per thread so that their memory
    // is reused from row to row.
    thread_local RowSampler sampler;
    sampler.start(pyramid, v, context.sourceSerial);
    PixelBatch batch{};
    for (int32_t x = x0; x <= x1; x += kPixelBatch) {
        batch.count = int(std::min<int32_t>(kPixelBatch, x1 - x + 1));
        batchPositions(e, scale, float(context.previewOffsetX), width, x, v, batch, simd);
        takeSamples(e, pyramid, sampler, batch);
        batchColours(e, batch, simd);
        storePixelBatch(context, output, x, y, batch, simd);
    }
}
}  // namespace

void renderRowSpan(const RenderContext& context, int32_t y, int32_t x0, int32_t x1) {
    if (!context.source || !context.source->hasTiles()) return;
    const PixelOutput output = pixelOutputFor(context);
    const SimdLevel simd = activeSimdLevel();
    if (simd != SimdLevel::scalar) return renderRowSpanInBatches(context, output, y, x0, x1, simd);
    // The reference: one pixel at a time.
    for (int32_t x = x0; x <= x1; ++x) storePixel(context, output, x, y, workPixel(context, x, y));
}

namespace {
void rowJobRoutine(const Job& job) {
    renderRowSpan(*static_cast<const RenderContext*>(job.owner), job.row, job.firstColumn, job.lastColumn);
}
}  // namespace

void runRowJobs(const RenderContext& context, int32_t y, int32_t x0, int32_t x1, int jobCount, JobWorkers* workers) {
    Job pattern;
    pattern.kind = kJobRowSpan;
    pattern.row = y;
    pattern.owner = const_cast<RenderContext*>(&context);
    pattern.image = context.source;
    pattern.routine = rowJobRoutine;
    Job jobs[kMaxJobs];
    const int made = splitRowJobs(pattern, x0, x1, std::min(std::max(jobCount, 1), kMaxJobs), jobs);
    if (workers) workers->run(jobs, made);
    else runJobs(jobs, made);
}
