// The output stage: scaling, spill, grey collapse, limit, blend and write.
#include "effect/output_stage.h"

#include "effect/eight_bit_values.h"
#include "effect/tiled_image.h"
#include "kernels/blend_modes.h"
#include "model/glue_modes.h"

static_assert(kLastBlendMode == kGlueModeCount, "the kernels dispatch on every glue mode");

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kTransparencyGainDouble = 1.007;
constexpr float kFloatLumaScale = 0.003921568627451f;

template <typename T>
T loadSample(const void* base, ptrdiff_t index) {
    T value;
    std::memcpy(&value, static_cast<const uint8_t*>(base) + index * ptrdiff_t(sizeof(T)), sizeof(T));
    return value;
}

template <typename T>
void storeSample(void* base, ptrdiff_t index, T value) {
    std::memcpy(static_cast<uint8_t*>(base) + index * ptrdiff_t(sizeof(T)), &value, sizeof(T));
}

int32_t checkerboard(int32_t valueClass, int32_t x, int32_t y) {
    const bool dark = ((x ^ y) & 8) != 0;
    return valueClass == kValues8 ? (dark ? 204 : 255) : (dark ? 26112 : 32640);
}

// Moves light above the maximum into the other channels.
void spill(int32_t t[3], int32_t maximum) {
    int32_t over = 0;
    int64_t excess = 0;
    for (int c = 0; c < 3; ++c) {
        if (t[c] > maximum) {
            ++over;
            excess += t[c] - maximum;
        }
    }
    const int32_t q = int32_t(std::min<int64_t>((excess * 60) >> 8, 1000000000));
    const int32_t h = q >> 1;
    if (over == 1) {
        const int hot = t[0] > maximum ? 0 : t[1] > maximum ? 1 : 2;
        const int p = hot == 0 ? 1 : 0;
        const int qIndex = hot == 2 ? 1 : 2;
        int32_t pValue = t[p] + h;
        int32_t qValue = t[qIndex] + h;
        if (pValue > maximum) qValue += pValue - maximum;
        if (qValue > maximum) pValue += qValue - maximum;
        t[p] = pValue;
        t[qIndex] = qValue;
    } else if (over == 2) {
        const int cold = t[0] <= maximum ? 0 : t[1] <= maximum ? 1 : 2;
        t[cold] += q;
    }
}

}  // namespace

int32_t selectionWeight(const OutputTarget& target, int32_t x, int32_t y) {
    if (x < 0 || x > target.passLastColumn || y < target.passFirstRow || y > target.passLastRow) return 0;
    if (!target.haveMask || !target.maskData) return 255;
    if (y < target.maskFirstRow || y > target.maskLastRow) return 0;
    return target.maskData[ptrdiff_t(y - target.maskFirstRow) * target.maskRowBytes + x];
}

namespace {

// Source readers: the colour the glue mode recombines with. Its transparency
// plays no part: the output's comes from the coverage.
void noSource(const RenderContext&, int32_t, int32_t, int32_t source[3]) {
    source[0] = source[1] = source[2] = 0;
}

void sourceFromInternal(const RenderContext& context, int32_t x, int32_t y, int32_t source[3]) {
    uint32_t channels[4] = {0, 0, 0, 0};
    readChannels(x, y - context.internalTop, *context.internal, 0, channels);
    for (int c = 0; c < 3; ++c) source[c] = int32_t(channels[c]);
}

// The host's input: one row for the final pass, the whole buffer for the preview.
template <typename Sample, bool wholeBuffer>
void sourceFromHost(const RenderContext& context, int32_t x, int32_t y, int32_t source[3]) {
    const OutputTarget& target = context.target;
    const ptrdiff_t rowOffset = wholeBuffer ? ptrdiff_t(y) * target.inRowBytes : 0;
    const uint8_t* row = static_cast<const uint8_t*>(target.inData) + rowOffset;
    const ptrdiff_t base = ptrdiff_t(target.inPixelSamples) * x;
    for (int c = 0; c < 3; ++c) source[c] = loadSample<Sample>(row, base + (target.rgb ? c : 0));
}

int channelCount(const OutputTarget& target) { return target.threeChannelLayout ? 3 : 1; }

// Host rows: the finished values, and the coverage in the transparency plane.
template <typename Sample>
void writeHostRow(const RenderContext& context, int32_t x, int32_t, const FinishedPixel& pixel) {
    const OutputTarget& target = context.target;
    const ptrdiff_t base = ptrdiff_t(target.planes) * x;
    for (int c = 0; c < channelCount(target); ++c) storeSample<Sample>(target.outData, base + c, Sample(pixel.values[c]));
    if (target.hasTransparency) storeSample<Sample>(target.outData, base + target.outLayerPlanes, Sample(pixel.alpha));
}

void writeHostRowFloat(const RenderContext& context, int32_t x, int32_t, const FinishedPixel& pixel) {
    const OutputTarget& target = context.target;
    const ptrdiff_t base = ptrdiff_t(target.planes) * x;
    for (int c = 0; c < channelCount(target); ++c) storeSample<float>(target.outData, base + c, pixel.floatValues[c]);
    if (target.hasTransparency) storeSample<float>(target.outData, base + target.outLayerPlanes, pixel.floatAlpha);
}

// The preview buffer: the pixel over the checkerboard, weighted by the selection.
void writePreview8(const RenderContext& context, int32_t x, int32_t y, const FinishedPixel& pixel) {
    const OutputTarget& target = context.target;
    const int32_t weight = selectionWeight(target, x, y);
    uint8_t* row = static_cast<uint8_t*>(target.outData) + ptrdiff_t(y) * target.outRowBytes;
    const ptrdiff_t base = ptrdiff_t(target.planes) * x;
    const int32_t w8 = weight > 127 ? weight + 1 : weight;
    int32_t a = w8;
    if (target.hasTransparency) {
        row[base + target.outLayerPlanes] = 255;
        a = (w8 * pixel.alpha) >> 8;
    }
    const int32_t bg = checkerboard(kValues8, x, y);
    for (int c = 0; c < channelCount(target); ++c) row[base + c] = uint8_t((a * pixel.values[c] + (256 - a) * bg) >> 8);
}

void writePreview16(const RenderContext& context, int32_t x, int32_t y, const FinishedPixel& pixel) {
    const OutputTarget& target = context.target;
    const int32_t weight = selectionWeight(target, x, y);
    const ptrdiff_t stride = target.outRowBytes / 2;
    const ptrdiff_t base = ptrdiff_t(y) * stride + ptrdiff_t(target.planes) * x;
    int32_t a = weight;
    if (target.hasTransparency) {
        storeSample<uint16_t>(target.outData, base + target.outLayerPlanes, 32768);
        a = (pixel.alpha * weight) >> 15;
    }
    const int32_t bg = checkerboard(kValues16, x, y);
    for (int c = 0; c < channelCount(target); ++c)
        storeSample<uint16_t>(target.outData, base + c, uint16_t((a * pixel.values[c] + (255 - a) * bg) >> 8));
}

void writePreviewFloat(const RenderContext& context, int32_t x, int32_t y, const FinishedPixel& pixel) {
    const OutputTarget& target = context.target;
    const int32_t weight = selectionWeight(target, x, y);
    const ptrdiff_t stride = target.outRowBytes / 4;
    const ptrdiff_t base = ptrdiff_t(y) * stride + ptrdiff_t(target.planes) * x;
    float a = float(weight) * kFloatLumaScale;
    if (target.hasTransparency) {
        a = a * pixel.floatAlpha;
        storeSample<float>(target.outData, base + target.outLayerPlanes, a);
    }
    const float bg = ((x ^ y) & 8) ? 0.8f : 1.0f;
    for (int c = 0; c < channelCount(target); ++c)
        storeSample<float>(target.outData, base + c, a * pixel.floatValues[c] + (1 - a) * bg);
}

// The internal image, level 0, in its storage type; grey is spread to three
// channels. Its row 0 is image row internalTop.
bool eightBitStorage(const Pyramid& image) {
    return image.storageType == kStorageGrey8 || image.storageType == kStoragePacked8;
}

void writeInternal8(const RenderContext& context, int32_t x, int32_t y, const FinishedPixel& pixel) {
    const int32_t* v = pixel.values;
    const bool rgb = context.target.rgb;
    writePacked8(x, y - context.internalTop, *context.internal, 0, uint32_t(v[0]), uint32_t(rgb ? v[1] : v[0]), uint32_t(rgb ? v[2] : v[0]),
                 uint32_t(pixel.alpha));
}

void writeInternal16(const RenderContext& context, int32_t x, int32_t imageRow, const FinishedPixel& pixel) {
    const int32_t y = imageRow - context.internalTop;
    const int32_t* v = pixel.values;
    const bool rgb = context.target.rgb;
    const int32_t g = rgb ? v[1] : v[0], b = rgb ? v[2] : v[0];
    Pyramid& image = *context.internal;
    if (!eightBitStorage(image))
        writeRgba16(x, y, image, 0, uint16_t(v[0]), uint16_t(g), uint16_t(b), uint16_t(pixel.alpha));
    else
        writePacked8(x, y, image, 0, eightBitOf16(v[0]), eightBitOf16(g), eightBitOf16(b), eightBitOf16(pixel.alpha));
}

void writeInternalFloat(const RenderContext& context, int32_t x, int32_t imageRow, const FinishedPixel& pixel) {
    const int32_t y = imageRow - context.internalTop;
    const float* v = pixel.floatValues;
    const bool rgb = context.target.rgb;
    const float g = rgb ? v[1] : v[0], b = rgb ? v[2] : v[0];
    Pyramid& image = *context.internal;
    if (!eightBitStorage(image))
        writeFloat4(x, y, image, 0, v[0], g, b, pixel.floatAlpha);
    else
        writePacked8(x, y, image, 0, eightBitOfLinear(v[0]), eightBitOfLinear(g), eightBitOfLinear(b),
                     eightBitOfLinear(pixel.floatAlpha));
}

void writeNothing(const RenderContext&, int32_t, int32_t, const FinishedPixel&) {}

}  // namespace

FinishedPixel finishPixel(const RenderContext& context, EffectColor color, const int32_t source[3]) {
    const OutputTarget& target = context.target;
    const bool floating = target.valueClass == kValuesFloat;
    const int32_t maximum = target.valueClass == kValues8 ? 255 : 32768;

    // Scale to the channel range.
    const float scale = floating ? 1.0f : float(maximum);
    color.red *= scale;
    color.green *= scale;
    color.blue *= scale;
    color.coverage *= scale;

    FinishedPixel pixel{};
    pixel.floatValues[0] = color.red;
    pixel.floatValues[1] = color.green;
    pixel.floatValues[2] = color.blue;
    if (floating) {
        // Floating images are not blended.
        pixel.floatAlpha = std::min(std::max(color.coverage, 0.0f), 1.0f);
        if (!target.rgb) {
            const float* f = pixel.floatValues;
            pixel.floatValues[0] = (77 * f[0] + 150 * f[1] + 28 * f[2]) * kFloatLumaScale;
        }
        return pixel;
    }

    int32_t* worked = pixel.values;
    worked[0] = truncateToInt(color.red);
    worked[1] = truncateToInt(color.green);
    worked[2] = truncateToInt(color.blue);
    pixel.alpha = std::min(std::max(truncateToInt(double(color.coverage) * kTransparencyGainDouble), 0), maximum);
    for (int c = 0; c < 3; ++c) worked[c] = std::max(worked[c], 0);
    spill(worked, maximum);
    if (!target.rgb) {
        // Summed in 64 bits: a huge floating value truncates to the top of
        // the 32-bit range, whose weighted sum would overflow.
        const int64_t grey = (77 * int64_t(worked[0]) + 150 * int64_t(worked[1]) + 28 * int64_t(worked[2])) >> 8;
        worked[0] = int32_t(std::min<int64_t>(grey, maximum));
    }
    for (int c = 0; c < 3; ++c) worked[c] = std::min(worked[c], maximum);
    const int32_t mode = context.setup.glue;
    if (mode != kBlendNormal && isGlueMode(mode) && context.blend)
        blendPixel(worked, source, target.valueClass == kValues8 ? BlendValueClass::eightBit : BlendValueClass::sixteenBit,
                   mode, *context.blend);
    return pixel;
}

PixelOutput pixelOutputFor(const RenderContext& context) {
    const OutputTarget& target = context.target;
    const int32_t valueClass = target.valueClass;
    PixelOutput output{noSource, writeNothing};
    switch (context.renderTarget) {
        case renderHostRows:
            if (valueClass != kValuesFloat && target.inData)
                output.readSource = valueClass == kValues8 ? sourceFromHost<uint8_t, false> : sourceFromHost<uint16_t, false>;
            if (target.outData)
                output.write = valueClass == kValues8    ? writeHostRow<uint8_t>
                               : valueClass == kValues16 ? writeHostRow<uint16_t>
                                                         : writeHostRowFloat;
            break;
        case renderPreview:
            if (valueClass != kValuesFloat && target.inData)
                output.readSource = valueClass == kValues8 ? sourceFromHost<uint8_t, true> : sourceFromHost<uint16_t, true>;
            if (target.outData)
                output.write = valueClass == kValues8    ? writePreview8
                               : valueClass == kValues16 ? writePreview16
                                                         : writePreviewFloat;
            break;
        case renderInternalImage:
            if (context.internal) {
                output.readSource = sourceFromInternal;
                output.write = valueClass == kValues8    ? writeInternal8
                               : valueClass == kValues16 ? writeInternal16
                                                         : writeInternalFloat;
            }
            break;
        default: break;
    }
    return output;
}

void storePixel(const RenderContext& context, const PixelOutput& output, int32_t x, int32_t y, const EffectColor& color) {
    const OutputTarget& target = context.target;
    x = std::min(std::max(x, 0), target.width - 1);
    y = std::min(std::max(y, 0), target.height - 1);
    int32_t source[3];
    output.readSource(context, x, y, source);
    output.write(context, x, y, finishPixel(context, color, source));
}

void storePixel(const RenderContext& context, int32_t x, int32_t y, const EffectColor& color) {
    storePixel(context, pixelOutputFor(context), x, y, color);
}

namespace {
// writeHostRow for the lanes of a batch.
template <typename Sample>
void writeHostLanes(const RenderContext& context, int32_t x0, const int32_t* lanes, int count, const int32_t* worked,
                    const FinishedBatch& finished) {
    const OutputTarget& target = context.target;
    const int channels = channelCount(target);
    const ptrdiff_t planes = target.planes;
    for (int n = 0; n < count; ++n) {
        const int i = lanes[n];
        const ptrdiff_t base = planes * std::min(std::max(x0 + i, 0), target.width - 1);
        for (int c = 0; c < channels; ++c) storeSample<Sample>(target.outData, base + c, Sample(worked[3 * n + c]));
        if (target.hasTransparency)
            storeSample<Sample>(target.outData, base + target.outLayerPlanes, Sample(finished.alpha[i]));
    }
}
}  // namespace

void storePixelBatch(const RenderContext& context, const PixelOutput& output, int32_t x0, int32_t y,
                     const PixelBatch& batch, SimdLevel level) {
    const OutputTarget& target = context.target;
    const auto colorAt = [&](int i) {
        return EffectColor{batch.red[i], batch.green[i], batch.blue[i], batch.coverage[i]};
    };
    if (target.valueClass == kValuesFloat) {
        for (int i = 0; i < batch.count; ++i) storePixel(context, output, x0 + i, y, colorAt(i));
        return;
    }
    FinishedBatch finished;
    batchFinish(FinishRule{target.valueClass == kValues8 ? 255 : 32768, !target.rgb}, batch, finished, level);
    const int32_t mode = context.setup.glue;
    const bool blends = mode != kBlendNormal && isGlueMode(mode) && context.blend;
    const BlendValueClass blendClass =
        target.valueClass == kValues8 ? BlendValueClass::eightBit : BlendValueClass::sixteenBit;
    const int32_t row = std::min(std::max(y, 0), target.height - 1);
    // The lanes finished together, their values three by three for the glue
    // mode; the others take the per-pixel path.
    int32_t lanes[kPixelBatch];
    int32_t worked[3 * kPixelBatch], source[3 * kPixelBatch];
    int count = 0;
    for (int i = 0; i < batch.count; ++i) {
        if (finished.perPixel[i]) {
            storePixel(context, output, x0 + i, y, colorAt(i));
            continue;
        }
        int32_t* values = worked + 3 * count;
        values[0] = finished.red[i];
        values[1] = finished.green[i];
        values[2] = finished.blue[i];
        if (blends) output.readSource(context, std::min(std::max(x0 + i, 0), target.width - 1), row, source + 3 * count);
        lanes[count++] = i;
    }
    if (blends) blendRow(worked, source, count, blendClass, mode, *context.blend);
    // The host's rows written in place; every other target through its writer.
    if (output.write == writeHostRow<uint8_t>) return writeHostLanes<uint8_t>(context, x0, lanes, count, worked, finished);
    if (output.write == writeHostRow<uint16_t>) return writeHostLanes<uint16_t>(context, x0, lanes, count, worked, finished);
    for (int n = 0; n < count; ++n) {
        const int i = lanes[n];
        FinishedPixel pixel{};
        std::memcpy(pixel.values, worked + 3 * n, sizeof pixel.values);
        pixel.alpha = finished.alpha[i];
        output.write(context, std::min(std::max(x0 + i, 0), target.width - 1), row, pixel);
    }
}
