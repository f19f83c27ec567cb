// Helpers of the JPEG tests: an independent walk over a JPEG's segments and
// pictures made in memory.
#pragma once

#include "codec/jpeg_row_source.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct JpegSegment {
    uint8_t marker = 0;            // the byte after 0xFF
    std::vector<uint8_t> payload;  // without the two length bytes
};

// The segments from SOI up to the first SOS (included, its header only).
std::vector<JpegSegment> jpegSegments(const uint8_t* bytes, size_t size);
inline std::vector<JpegSegment> jpegSegments(const std::vector<uint8_t>& bytes) {
    return jpegSegments(bytes.data(), bytes.size());
}

// The 64 values of table `id` from the DQT segments, put back from the
// zigzag order of the file into natural order.
std::vector<unsigned> quantTable(const std::vector<JpegSegment>& segments, int id);

struct FrameInfo {
    int width = 0, height = 0, components = 0;
    uint8_t sampling[3] = {};  // H << 4 | V per component
};
FrameInfo frameInfo(const std::vector<JpegSegment>& segments);

// An RGBA picture filled by a function of (x, y).
struct TestPicture {
    int32_t width, height;
    std::vector<uint8_t> rgba;
    Rgba8Picture view() const;
};
template <typename Fill>
TestPicture makePicture(int32_t width, int32_t height, Fill fill) {
    TestPicture picture{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = &picture.rgba[(static_cast<size_t>(y) * width + x) * 4];
            fill(x, y, p);
        }
    return picture;
}
