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

// The packed 8-bit word: red in bits 24..31, green 16..23, blue 8..15,
// coverage 0..7. Packing keeps only the low 8 bits of each channel.
inline uint32_t packChannels8(uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3) {
    return (c0 << 24) | ((c1 << 16) & 0xFFFFFFu) | ((c2 << 8) & 0xFFFFu) | (c3 & 0xFFu);
}
template <typename Channel>
inline void unpackChannels8(uint32_t word, Channel (&channels)[4]) {
    channels[0] = static_cast<Channel>(word >> 24);
    channels[1] = static_cast<Channel>((word >> 16) & 0xFF);
    channels[2] = static_cast<Channel>((word >> 8) & 0xFF);
    channels[3] = static_cast<Channel>(word & 0xFF);
}

// One stored pixel's channels as they are stored, as 32-bit values: the
// packed word's four bytes, four 16-bit values, four float bit patterns or
// (kStorageRgb16) three 16-bit values with channels[3] left as it was.
// False, and nothing read, for the single-channel types.
inline bool storedChannels(int storageType, const uint8_t* p, uint32_t (&channels)[4]) {
    switch (storageType) {
    case kStoragePacked8: unpackChannels8(loadU32(p), channels); return true;
    case kStorageRgba16:
        for (int c = 0; c < 4; ++c) channels[c] = loadU16(p + 2 * c);
        return true;
    case kStorageFloat4:
        for (int c = 0; c < 4; ++c) channels[c] = loadU32(p + 4 * c);
        return true;
    case kStorageRgb16:
        for (int c = 0; c < 3; ++c) channels[c] = loadU16(p + 2 * c);
        return true;
    default: return false;
    }
}

// One stored pixel as a colour scaled to full intensity 1 (the nearest-colour rule).
inline EffectColor pixelColor(const Pyramid& pyramid, const uint8_t* p) {
    const float scale = pyramid.inverseFullScale;
    EffectColor c;
    switch (pyramid.storageType) {
    case kStoragePacked8: {
        uint32_t v[4];
        unpackChannels8(loadU32(p), v);
        c.red = static_cast<float>(v[0]) * scale;
        c.green = static_cast<float>(v[1]) * scale;
        c.blue = static_cast<float>(v[2]) * scale;
        c.coverage = static_cast<float>(v[3]) * scale;
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
