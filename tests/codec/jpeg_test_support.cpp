// JPEG segment walking for the tests, written from the JPEG format itself.
#include "jpeg_test_support.h"

namespace {
// Position in the zigzag sequence -> index in natural row-by-row order.
const int kZigzagToNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
}  // namespace

std::vector<JpegSegment> jpegSegments(const uint8_t* bytes, size_t size) {
    std::vector<JpegSegment> segments;
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return segments;
    segments.push_back({0xD8, {}});
    size_t at = 2;
    while (at + 4 <= size && bytes[at] == 0xFF) {
        const uint8_t marker = bytes[at + 1];
        const size_t length = (static_cast<size_t>(bytes[at + 2]) << 8) | bytes[at + 3];
        if (length < 2 || at + 2 + length > size) break;
        segments.push_back({marker, std::vector<uint8_t>(bytes + at + 4, bytes + at + 2 + length)});
        at += 2 + length;
        if (marker == 0xDA) break;
    }
    return segments;
}

std::vector<unsigned> quantTable(const std::vector<JpegSegment>& segments, int id) {
    for (const JpegSegment& segment : segments) {
        if (segment.marker != 0xDB) continue;
        size_t at = 0;
        while (at < segment.payload.size()) {
            const int precision = segment.payload[at] >> 4;
            const int tableId = segment.payload[at] & 0x0F;
            ++at;
            std::vector<unsigned> natural(64);
            for (int i = 0; i < 64; ++i) {
                unsigned value = segment.payload[at++];
                if (precision != 0) value = (value << 8) | segment.payload[at++];
                natural[kZigzagToNatural[i]] = value;
            }
            if (tableId == id) return natural;
        }
    }
    return {};
}

FrameInfo frameInfo(const std::vector<JpegSegment>& segments) {
    FrameInfo info;
    for (const JpegSegment& segment : segments) {
        if (segment.marker != 0xC0 && segment.marker != 0xC1 && segment.marker != 0xC2) continue;
        const std::vector<uint8_t>& p = segment.payload;
        info.height = (p[1] << 8) | p[2];
        info.width = (p[3] << 8) | p[4];
        info.components = p[5];
        for (int c = 0; c < info.components && c < 3; ++c) info.sampling[c] = p[6 + 3 * c + 1];
    }
    return info;
}

Rgba8Picture TestPicture::view() const {
    Rgba8Picture picture;
    picture.pixels = rgba.data();
    picture.width = width;
    picture.height = height;
    return picture;
}
