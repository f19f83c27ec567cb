// Per-pixel accessors of tiled images, with their edge and packing rules.
#include "effect/tiled_image.h"

#include "kernels/pyramid_pixels.h"

namespace {

// The pixel to write, or null when the pixel, the level or the tiles are absent.
uint8_t* writablePixel(int x, int y, const Pyramid& image, int level) {
    if (!image.hasTiles() || level < 0 || level > image.lmax) return nullptr;
    if (x < 0 || x > image.lastColumn[level] || y < 0 || y > image.lastRow[level]) return nullptr;
    return image.pixelInside(level, x, y);
}

// The pixel to read of an image of `type`, clamped; null when absent or of another type.
const uint8_t* readablePixel(int x, int y, const Pyramid& image, int level, int type) {
    if (image.storageType != type) return nullptr;
    return image.pixelAt(level, x, y);
}

uint8_t* writablePixelOf(int x, int y, const Pyramid& image, int level, int type) {
    if (image.storageType != type) return nullptr;
    return writablePixel(x, y, image, level);
}

}  // namespace

uint32_t readSample(int x, int y, const Pyramid& image, int level) {
    const uint8_t* p = image.pixelAt(level, x, y);
    if (p == nullptr) return 0;
    switch (image.storageType) {
    case kStorageGrey8: return *p;
    case kStorageGrey16:
    case kStorageWord16: return loadU16(p);
    case kStorageFloat1: return loadU32(p);
    default: return 0;
    }
}

void readChannels(int x, int y, const Pyramid& image, int level, uint32_t (&channels)[4]) {
    const uint8_t* p = image.pixelAt(level, x, y);
    if (p == nullptr || !storedChannels(image.storageType, p, channels))
        channels[0] = channels[1] = channels[2] = channels[3] = 0;
}

void writeChannels(int x, int y, Pyramid& image, int level, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3) {
    uint8_t* p = writablePixel(x, y, image, level);
    if (p == nullptr) return;
    switch (image.storageType) {
    case kStoragePacked8: storeU32(p, packChannels8(c0, c1, c2, c3)); return;
    case kStorageRgba16:
        storeU16(p, static_cast<uint16_t>(c0));
        storeU16(p + 2, static_cast<uint16_t>(c1));
        storeU16(p + 4, static_cast<uint16_t>(c2));
        storeU16(p + 6, static_cast<uint16_t>(c3));
        return;
    case kStorageFloat4:
        storeU32(p, c0);
        storeU32(p + 4, c1);
        storeU32(p + 8, c2);
        storeU32(p + 12, c3);
        return;
    case kStorageRgb16:
        storeU16(p, static_cast<uint16_t>(c0));
        storeU16(p + 2, static_cast<uint16_t>(c1));
        storeU16(p + 4, static_cast<uint16_t>(c2));
        return;
    default: return;
    }
}

void writeColor(int x, int y, Pyramid& image, int level, const EffectColor& color) {
    uint8_t* p = writablePixel(x, y, image, level);
    if (p != nullptr) storePixelColor(image, p, color);
}

void writePacked8(int x, int y, Pyramid& image, int level, uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3) {
    if (uint8_t* p = writablePixelOf(x, y, image, level, kStoragePacked8)) storeU32(p, packChannels8(c0, c1, c2, c3));
}

void writeRgba16(int x, int y, Pyramid& image, int level, uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3) {
    if (uint8_t* p = writablePixelOf(x, y, image, level, kStorageRgba16)) {
        storeU16(p, c0);
        storeU16(p + 2, c1);
        storeU16(p + 4, c2);
        storeU16(p + 6, c3);
    }
}

void writeWords32(int x, int y, Pyramid& image, int level, const uint32_t (&words)[4]) {
    if (uint8_t* p = writablePixelOf(x, y, image, level, kStorageFloat4)) {
        for (int c = 0; c < 4; ++c) storeU32(p + 4 * c, words[c]);
    }
}

void writeFloat4(int x, int y, Pyramid& image, int level, float c0, float c1, float c2, float c3) {
    if (uint8_t* p = writablePixelOf(x, y, image, level, kStorageFloat4)) {
        storeF32(p, c0);
        storeF32(p + 4, c1);
        storeF32(p + 8, c2);
        storeF32(p + 12, c3);
    }
}

void writeRgb16(int x, int y, Pyramid& image, int level, uint16_t c0, uint16_t c1, uint16_t c2) {
    if (uint8_t* p = writablePixelOf(x, y, image, level, kStorageRgb16)) {
        storeU16(p, c0);
        storeU16(p + 2, c1);
        storeU16(p + 4, c2);
    }
}

void writeByte(int x, int y, Pyramid& image, int level, uint8_t value) {
    if (uint8_t* p = writablePixelOf(x, y, image, level, kStorageGrey8)) *p = value;
}

void readRgba16(int x, int y, const Pyramid& image, int level, uint16_t (&channels)[4]) {
    const uint8_t* p = readablePixel(x, y, image, level, kStorageRgba16);
    for (int c = 0; c < 4; ++c) channels[c] = p != nullptr ? loadU16(p + 2 * c) : 0;
}

void readWords32(int x, int y, const Pyramid& image, int level, uint32_t (&words)[4]) {
    const uint8_t* p = readablePixel(x, y, image, level, kStorageFloat4);
    for (int c = 0; c < 4; ++c) words[c] = p != nullptr ? loadU32(p + 4 * c) : 0;
}

void readFloat4(int x, int y, const Pyramid& image, int level, float (&channels)[4]) {
    const uint8_t* p = readablePixel(x, y, image, level, kStorageFloat4);
    for (int c = 0; c < 4; ++c) channels[c] = p != nullptr ? loadF32(p + 4 * c) : 0.0f;
}

void readRgb16(int x, int y, const Pyramid& image, int level, uint16_t (&channels)[3]) {
    const uint8_t* p = readablePixel(x, y, image, level, kStorageRgb16);
    for (int c = 0; c < 3; ++c) channels[c] = p != nullptr ? loadU16(p + 2 * c) : 0;
}

uint16_t readSample16(int x, int y, const Pyramid& image, int level) {
    if (image.storageType != kStorageGrey16 && image.storageType != kStorageWord16) return 0;
    const uint8_t* p = image.pixelAt(level, x, y);
    return p != nullptr ? loadU16(p) : 0;
}

uint32_t readWord32(int x, int y, const Pyramid& image, int level) {
    if (image.storageType != kStoragePacked8 && image.storageType != kStorageFloat1) return 0;
    const uint8_t* p = image.pixelAt(level, x, y);
    return p != nullptr ? loadU32(p) : 0;
}
