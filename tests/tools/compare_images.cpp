// twl_compare_images A B: decodes two image files with the host's readers
// and compares their samples exactly (floats by their bits). Prints what
// differs; exit status 0 when the pixels are identical, 1 when they differ,
// 2 when a file cannot be read.
#include "host/image_files.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
// The largest difference between two samples, in units of the depth.
double sampleDifference(const uint8_t* a, const uint8_t* b, SampleDepth depth) {
    switch (depth) {
        case SampleDepth::eight: return a[0] > b[0] ? a[0] - b[0] : b[0] - a[0];
        case SampleDepth::sixteen: {
            uint16_t x, y;
            std::memcpy(&x, a, 2);
            std::memcpy(&y, b, 2);
            return x > y ? x - y : y - x;
        }
        default: {
            float x, y;
            std::memcpy(&x, a, 4);
            std::memcpy(&y, b, 4);
            return x > y ? double(x) - y : double(y) - x;
        }
    }
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: twl_compare_images A B\n");
        return 2;
    }
    Document first, second;
    ImageFileInfo firstInfo, secondInfo;
    std::string error;
    if (!readImageFile(argv[1], first, firstInfo, error) || !readImageFile(argv[2], second, secondInfo, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (first.width != second.width || first.height != second.height ||
        first.colorChannels != second.colorChannels || first.hasAlpha != second.hasAlpha ||
        first.depth != second.depth || firstInfo.bitDepth != secondInfo.bitDepth) {
        std::printf("different layouts: %dx%d, %d planes, %d bits against %dx%d, %d planes, %d bits\n",
                    first.width, first.height, first.planes(), firstInfo.bitDepth, second.width, second.height,
                    second.planes(), secondInfo.bitDepth);
        return 1;
    }
    const size_t sampleSize = size_t(sampleBytes(first.depth));
    size_t differing = 0;
    double largest = 0;
    for (size_t at = 0; at + sampleSize <= first.samples.size(); at += sampleSize) {
        if (std::memcmp(&first.samples[at], &second.samples[at], sampleSize) == 0) continue;
        ++differing;
        const double difference = sampleDifference(&first.samples[at], &second.samples[at], first.depth);
        if (difference > largest) largest = difference;
    }
    if (differing == 0) return 0;
    std::printf("%zu of %zu samples differ, by at most %g\n", differing, first.samples.size() / sampleSize, largest);
    return 1;
}
