// libFuzzer target: the stored-picture JPEG decoder, into an RGBA target of
// the largest stored size and into a small grey one.
#include "codec/jpeg_reader.h"
#include "fuzz_support.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxJpegInput) return 0;
    static uint8_t rgba[128 * 128 * 4];
    static uint8_t grey[16 * 9];
    DecodeTarget target;
    target.pixels = rgba;
    target.width = target.height = 128;
    decodeJpeg(data, size, target);
    DecodeTarget small;
    small.pixels = grey;
    small.width = 16;
    small.height = 9;
    small.layout = DecodedLayout::grey8;
    decodeJpeg(data, size, small);
    return 0;
}
