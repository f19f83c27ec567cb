// The preview while panning: the source copied unfiltered, laid over a
// checkerboard of 8 x 8 squares where the selection hides it.
#include "plugin/preview_fill.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Region {
    FilterRecord record{};
    std::vector<uint8_t> in, out, mask;

    Region(int32_t width, int32_t height, bool withMask) {
        record.imageMode = plugInModeRGBColor;
        record.depth = 8;
        record.planes = 3;
        record.filterCase = withMask ? filterCaseFlatImageWithSelection : filterCaseFlatImageNoSelection;
        record.haveMask = withMask ? 1 : 0;
        record.inRect = record.outRect = record.maskRect = Rect{0, 0, int16_t(height), int16_t(width)};
        record.inLoPlane = record.outLoPlane = 0;
        record.inHiPlane = record.outHiPlane = 2;
        in.assign(size_t(width * height * 3), 100);
        out.assign(in.size(), 0);
        record.inData = in.data();
        record.outData = out.data();
        record.inRowBytes = record.outRowBytes = width * 3;
        if (withMask) {
            mask.assign(size_t(width * height), 255);
            record.maskData = mask.data();
            record.maskRowBytes = width;
        }
    }
};

TEST(PreviewFill, CopiesWithoutASelectionAndBlendsOverTheCheckerboardWithOne) {
    Region plain(4, 2, false);
    plain.in[5] = 7;
    fillUnfilteredPreview(plain.record);
    EXPECT_EQ(plain.out, plain.in);

    Region masked(20, 10, true);
    masked.mask[0] = 0;        // (0, 0): hidden, light square: 255
    masked.mask[8] = 0;        // (8, 0): bit 3 of 8 XOR 0 set: the dark square, 204
    masked.mask[1] = 128;      // 128 and up count one more: weight 129
    masked.mask[2] = 127;      // weight 127
    fillUnfilteredPreview(masked.record);
    EXPECT_EQ(masked.out[0], 255);
    EXPECT_EQ(masked.out[8 * 3], 204);
    EXPECT_EQ(masked.out[1 * 3], (255 * (256 - 129) + 100 * 129) / 256);  // 160
    EXPECT_EQ(masked.out[2 * 3], (255 * (256 - 127) + 100 * 127) / 256);  // 178
    EXPECT_EQ(masked.out[3 * 3], 100);  // weight 255 + 1 = 256: the colour itself
}

}  // namespace
