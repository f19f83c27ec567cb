// The preview's display conversions.
#include "ui/preview_display.h"

#include <algorithm>
#include <cstring>

namespace {
int16_t eightBitMode(int16_t mode) {
    switch (mode) {
        case plugInModeGray16:
        case plugInModeGray32: return plugInModeGrayScale;
        case plugInModeRGB48:
        case plugInModeRGB96: return plugInModeRGBColor;
        default: return mode;
    }
}
}  // namespace

PSPixelMap eightBitPixelMap(const PreviewImage& image, std::vector<uint8_t>& converted) {
    PSPixelMap map{};
    map.version = 1;
    map.bounds = VRect{0, 0, image.height, image.width};
    map.imageMode = eightBitMode(image.imageMode);
    map.colBytes = image.planes;
    map.planeBytes = 1;
    if (image.bitsPerSample == 8) {
        map.rowBytes = image.rowBytes;
        map.baseAddr = const_cast<void*>(image.pixels);
        return map;
    }
    const size_t rowSamples = size_t(image.width) * size_t(image.planes);
    converted.assign(rowSamples * size_t(image.height), 0);
    for (int32_t y = 0; y < image.height; ++y) {
        const auto* row = static_cast<const uint8_t*>(image.pixels) + ptrdiff_t(y) * image.rowBytes;
        uint8_t* out = converted.data() + size_t(y) * rowSamples;
        for (size_t i = 0; i < rowSamples; ++i) {
            if (image.bitsPerSample == 16) {
                uint16_t v;
                std::memcpy(&v, row + 2 * i, 2);
                out[i] = v >= 32768 ? 255 : uint8_t(v >> 7);
            } else {
                float v;
                std::memcpy(&v, row + 4 * i, 4);
                const float scaled = v * 255.0f;
                // Truncated, then limited to 0..255 (NaN shows as 0).
                out[i] = scaled >= 255.0f ? 255 : scaled > 0.0f ? uint8_t(int32_t(scaled)) : 0;
            }
        }
    }
    map.rowBytes = int32_t(rowSamples);
    map.baseAddr = converted.data();
    return map;
}

OSErr displayPreviewImage(DialogServices& services, const PreviewImage& image, int32_t x, int32_t y,
                          void* platformContext) {
    std::vector<uint8_t> converted;
    const PSPixelMap map = eightBitPixelMap(image, converted);
    const VRect rect{0, 0, image.height, image.width};
    return services.displayPixels(map, rect, y, x, platformContext);
}
