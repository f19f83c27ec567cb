// The output stage: scaling, spill, grey collapse, limit, blend and write.
#include "effect/output_stage.h"

#include "effect/eight_bit_values.h"
#include "effect/tiled_image.h"
#include "kernels/blend_modes.h"

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

void storePixel(const RenderContext& context, int32_t x, int32_t y, EffectColor& color) {
    const OutputTarget& target = context.target;
    x = std::min(std::max(x, 0), target.width - 1);
    y = std::min(std::max(y, 0), target.height - 1);
    const int32_t valueClass = target.valueClass;
    const bool floating = valueClass == kValuesFloat;
    const int32_t maximum = valueClass == kValues8 ? 255 : 32768;
    const bool toInternal = context.renderTarget == renderInternalImage;
    const bool toPreview = context.renderTarget == renderPreview;

    // Source colour for the blend (integer classes only: floating images are
    // not blended). Its transparency plays no part: the output's comes from
    // the coverage.
    int32_t source[3] = {0, 0, 0};
    if (toInternal && context.internal) {
        uint32_t channels[4] = {0, 0, 0, 0};
        readChannels(x, y, *context.internal, 0, channels);
        for (int c = 0; c < 3; ++c) source[c] = int32_t(channels[c]);
    } else if (!floating && target.inData) {
        const ptrdiff_t rowOffset = toPreview ? ptrdiff_t(y) * target.inRowBytes : 0;
        const uint8_t* row = static_cast<const uint8_t*>(target.inData) + rowOffset;
        const ptrdiff_t base = ptrdiff_t(target.inPixelSamples) * x;
        for (int c = 0; c < 3; ++c) {
            const ptrdiff_t index = base + (target.rgb ? c : 0);
            source[c] = valueClass == kValues8 ? row[index] : loadSample<uint16_t>(row, index);
        }
    }

    // Scale to the channel range.
    const float scale = floating ? 1.0f : float(maximum);
    color.red *= scale;
    color.green *= scale;
    color.blue *= scale;
    color.coverage *= scale;
    int32_t worked[3] = {truncateToInt(color.red), truncateToInt(color.green), truncateToInt(color.blue)};
    int32_t alpha = 0;
    float floatAlpha = 0;
    if (floating) {
        floatAlpha = std::min(std::max(color.coverage, 0.0f), 1.0f);
    } else {
        alpha = truncateToInt(double(color.coverage) * kTransparencyGainDouble);
        alpha = std::min(std::max(alpha, 0), maximum);
    }

    float floatValues[3] = {color.red, color.green, color.blue};
    if (!floating) {
        for (int32_t& v : worked) v = std::max(v, 0);
        spill(worked, maximum);
        if (!target.rgb) worked[0] = (77 * worked[0] + 150 * worked[1] + 28 * worked[2]) >> 8;
        for (int32_t& v : worked) v = std::min(v, maximum);
        const int32_t mode = context.settings->glue;
        if (mode >= 2 && mode <= 62 && context.blend)
            blendPixel(worked, source, valueClass == kValues8 ? BlendValueClass::eightBit : BlendValueClass::sixteenBit,
                       mode, *context.blend);
    } else if (!target.rgb) {
        floatValues[0] = (77 * floatValues[0] + 150 * floatValues[1] + 28 * floatValues[2]) * kFloatLumaScale;
    }

    const int channels = target.threeChannelLayout ? 3 : 1;
    if (context.renderTarget == renderHostRows) {
        const ptrdiff_t base = ptrdiff_t(target.planes) * x;
        void* out = target.outData;
        if (!out) return;
        for (int c = 0; c < channels; ++c) {
            if (valueClass == kValues8) storeSample<uint8_t>(out, base + c, uint8_t(worked[c]));
            else if (valueClass == kValues16) storeSample<uint16_t>(out, base + c, uint16_t(worked[c]));
            else storeSample<float>(out, base + c, floatValues[c]);
        }
        if (target.hasTransparency) {
            const ptrdiff_t index = base + target.outLayerPlanes;
            if (valueClass == kValues8) storeSample<uint8_t>(out, index, uint8_t(alpha));
            else if (valueClass == kValues16) storeSample<uint16_t>(out, index, uint16_t(alpha));
            else storeSample<float>(out, index, floatAlpha);
        }
        return;
    }

    if (toPreview) {
        if (!target.outData) return;
        const int32_t weight = selectionWeight(target, x, y);
        if (valueClass == kValues8) {
            uint8_t* row = static_cast<uint8_t*>(target.outData) + ptrdiff_t(y) * target.outRowBytes;
            const ptrdiff_t base = ptrdiff_t(target.planes) * x;
            const int32_t w8 = weight > 127 ? weight + 1 : weight;
            int32_t a = w8;
            if (target.hasTransparency) {
                row[base + target.outLayerPlanes] = 255;
                a = (w8 * alpha) >> 8;
            }
            const int32_t bg = checkerboard(valueClass, x, y);
            for (int c = 0; c < channels; ++c) row[base + c] = uint8_t((a * worked[c] + (256 - a) * bg) >> 8);
        } else if (valueClass == kValues16) {
            const ptrdiff_t stride = target.outRowBytes / 2;
            const ptrdiff_t base = ptrdiff_t(y) * stride + ptrdiff_t(target.planes) * x;
            int32_t a = weight;
            if (target.hasTransparency) {
                storeSample<uint16_t>(target.outData, base + target.outLayerPlanes, 32768);
                a = (alpha * weight) >> 15;
            }
            const int32_t bg = checkerboard(valueClass, x, y);
            for (int c = 0; c < channels; ++c)
                storeSample<uint16_t>(target.outData, base + c, uint16_t((a * worked[c] + (255 - a) * bg) >> 8));
        } else {
            const ptrdiff_t stride = target.outRowBytes / 4;
            const ptrdiff_t base = ptrdiff_t(y) * stride + ptrdiff_t(target.planes) * x;
            float a = float(weight) * kFloatLumaScale;
            if (target.hasTransparency) {
                a = a * floatAlpha;
                storeSample<float>(target.outData, base + target.outLayerPlanes, a);
            }
            const float bg = ((x ^ y) & 8) ? 0.8f : 1.0f;
            for (int c = 0; c < channels; ++c)
                storeSample<float>(target.outData, base + c, a * floatValues[c] + (1 - a) * bg);
        }
        return;
    }

    // Internal image, level 0.
    if (!context.internal) return;
    Pyramid& image = *context.internal;
    const bool eightBitImage = image.storageType == kStorageGrey8 || image.storageType == kStoragePacked8;
    if (!target.rgb) worked[1] = worked[2] = worked[0];
    if (valueClass == kValues8) {
        writePacked8(x, y, image, 0, uint32_t(worked[0]), uint32_t(worked[1]), uint32_t(worked[2]), uint32_t(alpha));
    } else if (valueClass == kValues16) {
        if (!eightBitImage) {
            writeRgba16(x, y, image, 0, uint16_t(worked[0]), uint16_t(worked[1]), uint16_t(worked[2]), uint16_t(alpha));
        } else {
            writePacked8(x, y, image, 0, (eightBitOf16(worked[0])), (eightBitOf16(worked[1])),
                         (eightBitOf16(worked[2])), (eightBitOf16(alpha)));
        }
    } else {
        if (!target.rgb) floatValues[1] = floatValues[2] = floatValues[0];
        if (!eightBitImage) {
            writeFloat4(x, y, image, 0, floatValues[0], floatValues[1], floatValues[2], floatAlpha);
        } else {
            writePacked8(x, y, image, 0, (eightBitOfLinear(floatValues[0])), (eightBitOfLinear(floatValues[1])),
                         (eightBitOfLinear(floatValues[2])), (eightBitOfLinear(floatAlpha)));
        }
    }
}
