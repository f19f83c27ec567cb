// The JPEG codec on tiled images: level 0 feeds the encoder (edges
// repeated), and a stored picture decodes into a packed or grey image.
#include "effect/tiled_image.h"
#include "codec/jpeg_reader.h"
#include "codec/jpeg_tiled_image.h"
#include "codec/jpeg_writer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<uint8_t> encodeImage(const Pyramid& image, int32_t quality) {
    const JpegRowSource source = tiledImageRowSource(image);
    const MemoryService memory = systemMemoryService();
    JpegEncodeOptions options;
    options.quality = quality;
    MemoryBlock block;
    size_t bytes = 0;
    EXPECT_EQ(encodeJpegToMemory(&source, options, &memory, block, bytes), kJpegEncoded);
    std::vector<uint8_t> out(static_cast<uint8_t*>(block.data), static_cast<uint8_t*>(block.data) + bytes);
    memory.release(memory.context, &block);
    return out;
}
}  // namespace

TEST(JpegTiledImage, LevelZeroFeedsTheEncoderAndDecodesBack) {
    Pyramid source;
    ASSERT_TRUE(source.create(systemMemoryService(), 10, 5, kStoragePacked8, kEdgeClamp));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) writePacked8(x, y, source, 0, x == 9 ? 250 : 10, 128, y == 4 ? 240 : 20, 255);
    const std::vector<uint8_t> jpeg = encodeImage(source, 99);

    Pyramid target;
    ASSERT_TRUE(target.create(systemMemoryService(), 16, 16, kStoragePacked8, kEdgeClamp));
    ASSERT_TRUE(decodeJpegIntoImage(jpeg.data(), jpeg.size(), target));
    uint32_t channels[4];
    readChannels(2, 2, target, 0, channels);
    EXPECT_NEAR(static_cast<int>(channels[0]), 10, 8);
    EXPECT_NEAR(static_cast<int>(channels[1]), 128, 8);
    EXPECT_NEAR(static_cast<int>(channels[2]), 20, 8);
    EXPECT_EQ(channels[3], 255u);
    readChannels(14, 1, target, 0, channels);  // beyond the last column: repeats it
    EXPECT_NEAR(static_cast<int>(channels[0]), 250, 8);
    readChannels(1, 13, target, 0, channels);  // beyond the last row: repeats it
    EXPECT_NEAR(static_cast<int>(channels[2]), 240, 8);
}

TEST(JpegTiledImage, GreyImagesTakeTheWeightedSum) {
    Pyramid source;
    ASSERT_TRUE(source.create(systemMemoryService(), 16, 16, kStoragePacked8, kEdgeClamp));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) writePacked8(x, y, source, 0, 200, 100, 50, 255);
    const std::vector<uint8_t> jpeg = encodeImage(source, 99);

    std::vector<uint8_t> rgba(16 * 16 * 4);
    DecodeTarget plain;
    plain.pixels = rgba.data();
    plain.width = plain.height = 16;
    ASSERT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), plain));

    Pyramid grey;
    ASSERT_TRUE(grey.create(systemMemoryService(), 16, 16, kStorageGrey8, kEdgeClamp));
    ASSERT_TRUE(decodeJpegIntoImage(jpeg.data(), jpeg.size(), grey));
    const int expected = (77 * rgba[0] + 150 * rgba[1] + 28 * rgba[2]) >> 8;
    EXPECT_EQ(static_cast<int>(readSample(0, 0, grey, 0)), expected);

    Pyramid wrongType;
    ASSERT_TRUE(wrongType.create(systemMemoryService(), 16, 16, kStorageRgba16, kEdgeClamp));
    EXPECT_FALSE(decodeJpegIntoImage(jpeg.data(), jpeg.size(), wrongType));
    Pyramid empty;
    EXPECT_FALSE(decodeJpegIntoImage(jpeg.data(), jpeg.size(), empty));
    EXPECT_EQ(tiledImageRowSource(empty).readRow, nullptr);
}
