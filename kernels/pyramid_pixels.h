// Pixel values of the pyramid's storage types: unpacking into scaled colours
// and packing colours back, shared by the reduce, the copies and the accessors.
#pragma once

#include <cstdint>
#include <cstring>

#include "kernels/pyramid.h"
#include "kernels/truncation.h"


inline uint32_t loadU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void storeU32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline uint16_t loadU16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void storeU16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
inline float loadF32(const uint8_t* p) {
    float v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void storeF32(uint8_t* p, float v) { std::memcpy(p, &v, 4); }

// The packing rule of the packed 8-bit type: only the low 8 bits of each channel survive.
inline uint32_t packChannels8(uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3) {
    return (c0 << 24) | ((c1 << 16) & 0xFFFFFFu) | ((c2 << 8) & 0xFFFFu) | (c3 & 0xFFu);
}

// One stored pixel as a colour scaled to full intensity 1 (the nearest-colour rule).
inline EffectColor pixelColor(const Pyramid& pyramid, const uint8_t* p) {
    const float scale = pyramid.inverseFullScale;
    EffectColor c;
    switch (pyramid.storageType) {
    case kStoragePacked8: {
        const uint32_t word = loadU32(p);
        c.red = static_cast<float>(word >> 24) * scale;
        c.green = static_cast<float>((word >> 16) & 0xFF) * scale;
        c.blue = static_cast<float>((word >> 8) & 0xFF) * scale;
        c.coverage = static_cast<float>(word & 0xFF) * scale;
        return c;
    }
    case kStorageRgba16:
        c.red = static_cast<float>(loadU16(p)) * scale;
        c.green = static_cast<float>(loadU16(p + 2)) * scale;
        c.blue = static_cast<float>(loadU16(p + 4)) * scale;
        c.coverage = static_cast<float>(loadU16(p + 6)) * scale;
        return c;
    case kStorageFloat4:
        c.red = loadF32(p);
        c.green = loadF32(p + 4);
        c.blue = loadF32(p + 8);
        c.coverage = loadF32(p + 12);
        return c;
    case kStorageRgb16:  // three channels; full scale 1, so stored as they are
        c.red = static_cast<float>(loadU16(p)) * scale;
        c.green = static_cast<float>(loadU16(p + 2)) * scale;
        c.blue = static_cast<float>(loadU16(p + 4)) * scale;
        c.coverage = 1;
        return c;
    default: {
        float v = 0;
        if (pyramid.storageType == kStorageGrey8) v = static_cast<float>(*p);
        else if (pyramid.storageType == kStorageFloat1) v = loadF32(p);
        else v = static_cast<float>(loadU16(p));
        v *= scale;
        c.red = c.green = c.blue = v;
        c.coverage = 1;
        return c;
    }
    }
}

// The write-colour rule: types 3 and 4 scale each component by the full-scale
// value (single precision) and truncate; kStorageFloat4 stores the floats; other types
// are left unchanged.
inline void storePixelColor(const Pyramid& pyramid, uint8_t* p, const EffectColor& c) {
    switch (pyramid.storageType) {
    case kStoragePacked8: {
        const float s = pyramid.fullScale;
        storeU32(p, packChannels8(static_cast<uint32_t>(truncateToInt(c.red * s)),
                                  static_cast<uint32_t>(truncateToInt(c.green * s)),
                                  static_cast<uint32_t>(truncateToInt(c.blue * s)),
                                  static_cast<uint32_t>(truncateToInt(c.coverage * s))));
        return;
    }
    case kStorageRgba16: {
        const float s = pyramid.fullScale;
        storeU16(p, static_cast<uint16_t>(truncateToInt(c.red * s)));
        storeU16(p + 2, static_cast<uint16_t>(truncateToInt(c.green * s)));
        storeU16(p + 4, static_cast<uint16_t>(truncateToInt(c.blue * s)));
        storeU16(p + 6, static_cast<uint16_t>(truncateToInt(c.coverage * s)));
        return;
    }
    case kStorageFloat4:
        storeF32(p, c.red);
        storeF32(p + 4, c.green);
        storeF32(p + 8, c.blue);
        storeF32(p + 12, c.coverage);
        return;
    default:
        return;
    }
}
