// Host rows into level 0 of a tiled image, one loop for every storage type.
#include "effect/host_rows.h"

#include <algorithm>
#include <cstring>

#include "effect/eight_bit_values.h"
#include "kernels/pyramid_pixels.h"

namespace {

// One host pixel as four samples: red, green, blue, transparency.
template <typename Sample>
inline void hostPixel(const Sample* s, const HostRows& from, Sample opaque, Sample (&v)[4]) {
    std::memcpy(&v[0], s, sizeof(Sample));
    std::memcpy(&v[1], s + (from.grey ? 0 : 1), sizeof(Sample));
    std::memcpy(&v[2], s + (from.grey ? 0 : 2), sizeof(Sample));
    v[3] = opaque;
    if (from.alphaSample >= 0) std::memcpy(&v[3], s + from.alphaSample, sizeof(Sample));
}

// Every row: each pixel's four samples handed to `store` with the pixel's
// bytes in the target.
template <typename Sample, typename Store>
void copyRows(const HostRows& from, int width, int rowCount, Pyramid& target, int left, int top, Sample opaque,
              Store store) {
    const auto* rows = static_cast<const uint8_t*>(from.data);
    for (int y = 0; y < rowCount; ++y) {
        const auto* samples = reinterpret_cast<const Sample*>(rows + from.rowBytes * y);
        // A row may run over several tiles: one stretch per tile.
        for (int x = 0; x < width;) {
            const int stretchEnd = std::min(width, (((left + x) >> kTileShift) + 1) * kTileSize - left);
            uint8_t* pixel = target.pixelInside(0, left + x, top + y);
            for (; x < stretchEnd; ++x, pixel += target.bytesPerPixel) {
                Sample v[4];
                hostPixel(samples + ptrdiff_t(x) * from.samplesPerPixel, from, opaque, v);
                store(pixel, v);
            }
        }
    }
}

}  // namespace

bool copyHostRows(const HostRows& from, int width, int rowCount, Pyramid& target, int left, int top) {
    if (from.data == nullptr || !target.hasTiles()) return false;
    switch (target.storageType) {
    case kStoragePacked8:
        switch (from.valueClass) {
        case HostValueClass::eightBit:
            copyRows<uint8_t>(from, width, rowCount, target, left, top, uint8_t(255), [](uint8_t* p, const uint8_t (&v)[4]) {
                storeU32(p, packChannels8(v[0], v[1], v[2], v[3]));
            });
            return true;
        case HostValueClass::sixteenBit:
            copyRows<uint16_t>(from, width, rowCount, target, left, top, uint16_t(32768), [](uint8_t* p, const uint16_t (&v)[4]) {
                storeU32(p, packChannels8(eightBitOf16(v[0]), eightBitOf16(v[1]), eightBitOf16(v[2]), eightBitOf16(v[3])));
            });
            return true;
        case HostValueClass::floating:
            copyRows<float>(from, width, rowCount, target, left, top, 1.0f, [](uint8_t* p, const float (&v)[4]) {
                storeU32(p, packChannels8(eightBitOfLinear(v[0]), eightBitOfLinear(v[1]), eightBitOfLinear(v[2]),
                                          eightBitOfLinear(v[3])));
            });
            return true;
        }
        return false;
    case kStorageRgba16:
        if (from.valueClass != HostValueClass::sixteenBit) return false;
        copyRows<uint16_t>(from, width, rowCount, target, left, top, uint16_t(32768),
                           [](uint8_t* p, const uint16_t (&v)[4]) { std::memcpy(p, v, 8); });
        return true;
    case kStorageFloat4:
        if (from.valueClass != HostValueClass::floating) return false;
        copyRows<float>(from, width, rowCount, target, left, top, 1.0f,
                        [](uint8_t* p, const float (&v)[4]) { std::memcpy(p, v, 16); });
        return true;
    default: return false;
    }
}

void captureHostRect(const HostPixelBuffer& buffer, PixelRect rect, Pyramid& target) {
    if (buffer.data == nullptr || buffer.planes < 1 || target.storageType != kStoragePacked8 || !target.hasTiles())
        return;
    // The part of the rectangle inside both the buffer and the target.
    const int top = std::max(rect.top, 0), left = std::max(rect.left, 0);
    const int bottom = std::min({rect.bottom, buffer.height, rect.top + target.height[0]});
    const int right = std::min({rect.right, buffer.width, rect.left + target.width[0]});
    if (top >= bottom || left >= right) return;
    const int sampleBytes = buffer.valueClass == HostValueClass::eightBit ? 1
                            : buffer.valueClass == HostValueClass::sixteenBit ? 2
                                                                             : 4;
    HostRows rows;
    rows.data = static_cast<const uint8_t*>(buffer.data) + top * buffer.rowBytes +
                int64_t(left) * buffer.planes * sampleBytes;
    rows.rowBytes = buffer.rowBytes;
    rows.samplesPerPixel = buffer.planes;
    rows.grey = buffer.planes < 3;
    rows.valueClass = buffer.valueClass;
    copyHostRows(rows, right - left, bottom - top, target, left - rect.left, top - rect.top);
}
