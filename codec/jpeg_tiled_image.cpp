// Tiled-image adapters of the JPEG encoder and decoder.
#include "codec/jpeg_tiled_image.h"

#include "effect/tiled_image.h"
#include "codec/jpeg_reader.h"

namespace {
void readLevel0Row(const void* context, int32_t y, EffectColor* row) {
    const Pyramid& image = *static_cast<const Pyramid*>(context);
    for (int32_t x = 0; x < image.width[0]; ++x) row[x] = image.nearestColor(x, y, 0);
}

struct PixelBuffer {
    const MemoryService& memory;
    MemoryBlock block;
    PixelBuffer(const MemoryService& service, size_t bytes) : memory(service) {
        if (memory.allocate == nullptr || !memory.allocate(memory.context, bytes, &block)) block = MemoryBlock{};
    }
    ~PixelBuffer() {
        if (block.data != nullptr) memory.release(memory.context, &block);
    }
};
}  // namespace

JpegRowSource tiledImageRowSource(const Pyramid& image) {
    JpegRowSource source;
    if (!image.hasTiles()) return source;
    source.width = image.width[0];
    source.height = image.height[0];
    source.readRow = readLevel0Row;
    source.context = &image;
    return source;
}

bool decodeJpegIntoImage(const uint8_t* bytes, size_t size, Pyramid& image) {
    const bool grey = image.storageType == kStorageGrey8;
    if (!image.hasTiles() || (!grey && image.storageType != kStoragePacked8)) return false;
    const int32_t width = image.width[0];
    const int32_t height = image.height[0];
    const size_t perPixel = grey ? 1 : 4;
    PixelBuffer pixels(image.memory, static_cast<size_t>(width) * static_cast<size_t>(height) * perPixel);
    if (pixels.block.data == nullptr) return false;
    DecodeTarget target;
    target.pixels = static_cast<uint8_t*>(pixels.block.data);
    target.width = width;
    target.height = height;
    target.layout = grey ? DecodedLayout::grey8 : DecodedLayout::rgba8;
    if (!decodeJpeg(bytes, size, target)) return false;
    const uint8_t* p = target.pixels;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x, p += perPixel) {
            if (grey)
                writeByte(x, y, image, 0, p[0]);
            else
                writePacked8(x, y, image, 0, p[0], p[1], p[2], p[3]);
        }
    return true;
}
