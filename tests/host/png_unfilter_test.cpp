// The vector PNG un-filter against the byte-by-byte one: every filter type
// (and every pair of types for two rows at once), pixel sizes 1..8, with and
// without a row above, on rows of odd lengths
// whose bytes reach both ends of the range so that every sum wraps and every
// Paeth tie occurs. The byte-by-byte form is checked by hand on one row.
#include "host/png_unfilter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Deterministic bytes: either a spread over the whole range with 0 and 255
// among them, or only 0, 1 and 2, which keeps neighbours close so that
// Paeth's distances tie in every way.
std::vector<uint8_t> patternRow(size_t count, uint32_t seed, bool close) {
    std::vector<uint8_t> row(count);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = uint32_t(i * 2654435761u + seed * 40503u) >> 11;
        row[i] = close ? uint8_t(v % 3) : i % 7 == 0 ? 255 : i % 5 == 0 ? 0 : uint8_t(v);
    }
    return row;
}

TEST(PngUnfilter, PaethAndAverageByHand) {
    // One 3-byte pixel after a first one; above: (10, 200, 50 | 20, 100, 50).
    const uint8_t above[6] = {10, 200, 50, 20, 100, 50};
    const uint8_t filtered[6] = {5, 5, 5, 1, 2, 3};
    uint8_t out[6];
    // Paeth, first pixel: a = c = 0, so the predictor is b (|b| vs 0: pa = b,
    // pb = 0): 10 + 5, 200 + 5, 50 + 5.
    // Second pixel, byte 0: a = 15, b = 20, c = 10: p = 25, pa = 10, pb = 5,
    // pc = 15 -> b = 20, 21. Byte 1: a = 205, b = 100, c = 200: p = 105,
    // pa = 100, pb = 5, pc = 95 -> b, 102. Byte 2: a = 55, b = c = 50:
    // p = 55, pa = 0 -> a, 58.
    ASSERT_TRUE(unfilterPngRow(4, filtered, above, out, 6, 3));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{15, 205, 55, 21, 102, 58}));
    // Average: first pixel 0 + b / 2: 5 + 5, 5 + 100, 5 + 25; second
    // (a + b) >> 1: (10 + 20) / 2 = 15 -> 16, (105 + 100) / 2 = 102 -> 104,
    // (30 + 50) / 2 = 40 -> 43.
    ASSERT_TRUE(unfilterPngRow(3, filtered, above, out, 6, 3));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{10, 105, 30, 16, 104, 43}));
    EXPECT_FALSE(unfilterPngRow(5, filtered, above, out, 6, 3));
    EXPECT_FALSE(unfilterPngRowFast(5, filtered, above, out, 6, 3));
}

TEST(PngUnfilter, VectorFormGivesTheSameBytes) {
    for (const bool close : {false, true}) {
        for (size_t pixelBytes = 1; pixelBytes <= 8; ++pixelBytes) {
            // One pixel, a few (shorter than a vector load), and odd widths.
            for (const size_t width : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(37), size_t(101)}) {
                const size_t rowBytes = width * pixelBytes;
                const std::vector<uint8_t> above = patternRow(rowBytes, 7, close);
                for (uint8_t type = 0; type <= 4; ++type) {
                    const std::vector<uint8_t> filtered = patternRow(rowBytes, 11 + type, close);
                    for (const bool first : {true, false}) {
                        // A guard byte after the row shows a write past its end.
                        std::vector<uint8_t> plain(rowBytes + 1, 0xA5), fast(rowBytes + 1, 0xA5);
                        const uint8_t* previous = first ? nullptr : above.data();
                        ASSERT_TRUE(
                            unfilterPngRow(type, filtered.data(), previous, plain.data(), rowBytes, pixelBytes));
                        ASSERT_TRUE(
                            unfilterPngRowFast(type, filtered.data(), previous, fast.data(), rowBytes, pixelBytes));
                        EXPECT_EQ(fast, plain) << "filter " << int(type) << ", " << pixelBytes
                                               << "-byte pixels, width " << width << (first ? ", first row" : "")
                                               << (close ? ", close values" : "");
                    }
                }
            }
        }
    }
}

TEST(PngUnfilter, RowPairsGiveTheSameBytes) {
    for (const bool close : {false, true}) {
        for (size_t pixelBytes = 1; pixelBytes <= 8; ++pixelBytes) {
            for (const size_t width : {size_t(1), size_t(2), size_t(3), size_t(37)}) {
                const size_t rowBytes = width * pixelBytes;
                const std::vector<uint8_t> above = patternRow(rowBytes, 5, close);
                const std::vector<uint8_t> upper = patternRow(rowBytes, 17, close);
                const std::vector<uint8_t> lower = patternRow(rowBytes, 23, close);
                for (uint8_t upperType = 0; upperType <= 4; ++upperType) {
                    for (uint8_t lowerType = 0; lowerType <= 4; ++lowerType) {
                        // The two rows one after the other with a guard byte behind,
                        // as in the document.
                        std::vector<uint8_t> plain(2 * rowBytes + 1, 0xA5), fast(2 * rowBytes + 1, 0xA5);
                        ASSERT_TRUE(unfilterPngRow(upperType, upper.data(), above.data(), plain.data(), rowBytes,
                                                   pixelBytes));
                        ASSERT_TRUE(unfilterPngRow(lowerType, lower.data(), plain.data(), plain.data() + rowBytes,
                                                   rowBytes, pixelBytes));
                        ASSERT_TRUE(unfilterPngRowPairFast(upperType, upper.data(), lowerType, lower.data(),
                                                           above.data(), fast.data(), fast.data() + rowBytes,
                                                           rowBytes, pixelBytes));
                        EXPECT_EQ(fast, plain) << "filters " << int(upperType) << " and " << int(lowerType) << ", "
                                               << pixelBytes << "-byte pixels, width " << width
                                               << (close ? ", close values" : "");
                    }
                }
            }
        }
    }
}

}  // namespace
