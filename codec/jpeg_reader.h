// The decoder for the pictures stored in preset files: 3- and 1-component
// JPEGs into 8-bit RGBA or grey pixels, silent on any codec error.
#pragma once

#include <cstddef>
#include <cstdint>

enum class DecodedLayout {
    rgba8,  // four bytes per pixel: red, green, blue, transparency 255
    grey8,  // one byte per pixel
};

struct DecodeTarget {
    uint8_t* pixels = nullptr;
    int32_t width = 0;   // the stored picture's size: rows and columns of the
    int32_t height = 0;  // JPEG beyond it are dropped, missing ones left as they are
    size_t rowBytes = 0;  // 0: packed rows
    DecodedLayout layout = DecodedLayout::rgba8;
};

// True when the picture was decoded to the end of the rows the target needs.
// On a fatal codec error it returns false; rows already delivered stay.
bool decodeJpeg(const uint8_t* bytes, size_t size, const DecodeTarget& target);

// Grey from red, green and blue: (77 R + 150 G + 28 B) >> 8.
inline uint8_t greyFromRgb(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>((77 * red + 150 * green + 28 * blue) >> 8);
}
