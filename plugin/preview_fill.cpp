// The unfiltered preview fill.
#include "plugin/preview_fill.h"

#include "plugin/pass_context.h"

#include <algorithm>
#include <cstring>

namespace {

// The selection's weight at (x, y) of the region: 255 without a mask, 0
// outside the mask's rows and columns.
int32_t maskWeight(const FilterRecord& record, int32_t x, int32_t y, bool eightBit) {
    if (!record.maskData) return 255;
    const int32_t width = record.maskRect.right - record.maskRect.left;
    const int32_t height = record.maskRect.bottom - record.maskRect.top;
    if (x >= width || y >= height) return 0;
    int32_t weight = static_cast<const uint8_t*>(record.maskData)[ptrdiff_t(y) * record.maskRowBytes + x];
    if (eightBit && weight >= 128) weight += 1;
    return weight;
}

}  // namespace

void fillUnfilteredPreview(FilterRecord& record) {
    if (!record.inData || !record.outData) return;
    const int32_t width = std::min(record.outRect.right - record.outRect.left, record.inRect.right - record.inRect.left);
    const int32_t height =
        std::min(record.outRect.bottom - record.outRect.top, record.inRect.bottom - record.inRect.top);
    const int32_t planes = record.outHiPlane - record.outLoPlane + 1;
    const int32_t inPlanes = record.inHiPlane - record.inLoPlane + 1;
    const ValueClass values = hostValueClass(&record);
    const int32_t sampleBytes = values == kValuesFloat ? 4 : values == kValues16 ? 2 : 1;
    const bool masked = record.haveMask != 0 && values != kValuesFloat;
    const bool transparency = hostHasTransparency(&record);
    const int32_t alphaPlane = record.outLayerPlanes;
    const int32_t colourPlanes = transparency ? alphaPlane : planes;

    for (int32_t y = 0; y < height; ++y) {
        const auto* in = static_cast<const uint8_t*>(record.inData) + ptrdiff_t(y) * record.inRowBytes;
        auto* out = static_cast<uint8_t*>(record.outData) + ptrdiff_t(y) * record.outRowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* source = in + ptrdiff_t(x) * inPlanes * sampleBytes;
            uint8_t* target = out + ptrdiff_t(x) * planes * sampleBytes;
            if (!masked) {
                std::memcpy(target, source, size_t(std::min(planes, inPlanes) * sampleBytes));
                continue;
            }
            const bool dark = ((x ^ y) & 8) != 0;
            if (values == kValues8) {
                int32_t weight = maskWeight(record, x, y, true);
                if (transparency) weight = weight * source[alphaPlane] / 256;
                const int32_t background = dark ? 204 : 255;
                for (int32_t p = 0; p < colourPlanes; ++p)
                    target[p] = uint8_t((background * (256 - weight) + source[p] * weight) / 256);
                if (transparency) target[alphaPlane] = 255;
            } else {
                int32_t weight = maskWeight(record, x, y, false);
                uint16_t sample[16];
                std::memcpy(sample, source, size_t(std::min(inPlanes, 16)) * 2);
                if (transparency) weight = weight * sample[alphaPlane] / 32768 * 255 / 256;
                const int32_t background = dark ? 26112 : 32640;
                for (int32_t p = 0; p < colourPlanes; ++p) {
                    const uint16_t v = uint16_t((background * (255 - weight) + sample[p] * weight) / 256);
                    std::memcpy(target + 2 * p, &v, 2);
                }
                if (transparency) {
                    const uint16_t opaque = 32768;
                    std::memcpy(target + 2 * alphaPlane, &opaque, 2);
                }
            }
        }
    }
}
