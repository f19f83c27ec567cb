// Whole-image operations on tiled images: copy, level rebuilding, capture
// of the host's output rectangle and the grey placeholder.
#include <cstdint>
#include <cstring>

#include "effect/tiled_image.h"

#include "effect/eight_bit_values.h"
#include "kernels/pyramid_pixels.h"

void copyLevel(const Pyramid& source, int sourceLevel, Pyramid& target, int targetLevel) {
    if (!source.hasTiles() || !target.hasTiles() || source.storageType != target.storageType) return;
    if (sourceLevel < 0 || sourceLevel > source.lmax || targetLevel < 0 || targetLevel > target.lmax) return;
    const int w = source.width[sourceLevel] < target.width[targetLevel] ? source.width[sourceLevel] : target.width[targetLevel];
    const int h = source.height[sourceLevel] < target.height[targetLevel] ? source.height[sourceLevel] : target.height[targetLevel];
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            writeColor(x, y, target, targetLevel, source.nearestColor(x, y, sourceLevel));
        }
    }
}

void copyImage(const Pyramid& source, Pyramid& target, int jobCount) {
    if (source.width[0] == target.width[0] && source.height[0] == target.height[0]) {
        if (source.hasTiles() && target.hasTiles()) copyLevel(source, 0, target, 0);
        rebuildLevels(target, 0, jobCount);
        return;
    }
    const PixelRect whole{0, 0, source.height[0], source.width[0]};
    const PixelRect targetWhole{0, 0, target.height[0], target.width[0]};
    resampleImage(source, target, whole, targetWhole, 0.5f, jobCount);
}

void rebuildLevels(Pyramid& image, int fromLevel, int jobCount) {
    if (image.edgeMode == kEdgeNoLevels) return;
    buildPyramidLevels(image, fromLevel, jobCount);
}

namespace {

int sampleBytes(HostValueClass valueClass) {
    switch (valueClass) {
    case HostValueClass::eightBit: return 1;
    case HostValueClass::sixteenBit: return 2;
    default: return 4;
    }
}

// One host sample as an 8-bit value.
uint32_t captureValue(const uint8_t* sample, HostValueClass valueClass) {
    switch (valueClass) {
    case HostValueClass::eightBit: return *sample;
    case HostValueClass::sixteenBit: {
        uint16_t v;
        std::memcpy(&v, sample, 2);
        return eightBitOf16(v);
    }
    default: {
        float v;
        std::memcpy(&v, sample, 4);
        return eightBitOfLinear(v);
    }
    }
}

}  // namespace

void captureHostRect(const HostPixelBuffer& buffer, PixelRect rect, Pyramid& target) {
    if (buffer.data == nullptr || buffer.planes < 1 || !target.hasTiles()) return;
    const int bytes = sampleBytes(buffer.valueClass);
    const auto* origin = static_cast<const uint8_t*>(buffer.data);
    const bool colour = buffer.planes >= 3;
    for (int i = 0; rect.top + i < rect.bottom; ++i) {
        const int y = rect.top + i;
        if (y < 0 || y >= buffer.height) continue;
        for (int j = 0; rect.left + j < rect.right; ++j) {
            const int x = rect.left + j;
            if (x < 0 || x >= buffer.width) continue;
            const uint8_t* pixel = origin + y * buffer.rowBytes + static_cast<int64_t>(x) * buffer.planes * bytes;
            const uint32_t red = captureValue(pixel, buffer.valueClass);
            const uint32_t green = colour ? captureValue(pixel + bytes, buffer.valueClass) : red;
            const uint32_t blue = colour ? captureValue(pixel + 2 * bytes, buffer.valueClass) : red;
            writePacked8(j, i, target, 0, red, green, blue, 255);
        }
    }
}

void fillGreyPlaceholder(Pyramid& target) {
    if (!target.hasTiles()) return;
    for (int r = 0; r < 128; ++r) {
        const uint32_t grey = static_cast<uint32_t>(255 - r);
        for (int c = 0; c < 128; ++c) writePacked8(c, r, target, 0, grey, grey, grey, 255);
    }
}
