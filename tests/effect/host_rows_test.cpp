// Host pixels into level 0: every storage type from the host's rows, and
// the capture of a rectangle of the host's output buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "effect/host_rows.h"
#include "effect/tiled_image.h"

namespace {

void make(Pyramid& p, int w, int h, int type) { ASSERT_TRUE(p.create(systemMemoryService(), w, h, type, kEdgeClamp)); }

uint32_t channelOf(uint32_t word, int c) { return (word >> (24 - 8 * c)) & 0xFF; }

}  // namespace

TEST(HostRows, EachStorageTakesItsOwnSamples) {
    // 16-bit RGBA rows (transparency in sample 3) with a padded row, into
    // (1, 1) of a 4 x 3 image: copied as they are.
    const uint16_t rgba[2][10] = {{1, 2, 3, 4, 100, 200, 300, 32768, 9, 9}, {5, 6, 7, 8, 65535, 0, 7, 1, 9, 9}};
    HostRows rows;
    rows.data = rgba;
    rows.rowBytes = sizeof(rgba[0]);
    rows.samplesPerPixel = 4;
    rows.alphaSample = 3;
    rows.valueClass = HostValueClass::sixteenBit;
    Pyramid deep;
    make(deep, 4, 3, kStorageRgba16);
    ASSERT_TRUE(copyHostRows(rows, 2, 2, deep, 1, 1));
    uint16_t v[4];
    readRgba16(2, 1, deep, 0, v);
    EXPECT_EQ(v[0], 100);
    EXPECT_EQ(v[3], 32768);
    readRgba16(2, 2, deep, 0, v);
    EXPECT_EQ(v[0], 65535);
    EXPECT_EQ(v[2], 7);
    EXPECT_EQ(v[3], 1);
    readRgba16(0, 0, deep, 0, v);
    EXPECT_EQ(v[0], 0);  // outside the rectangle: untouched

    // The same rows converted into packed 8-bit: (v + 1) / 128, 255 from 32767 on.
    Pyramid packed;
    make(packed, 2, 2, kStoragePacked8);
    ASSERT_TRUE(copyHostRows(rows, 2, 2, packed, 0, 0));
    EXPECT_EQ(readWord32(1, 0, packed, 0), (0u << 24) | (1u << 16) | (2u << 8) | 255u);  // 101/128, 201/128, 301/128
    EXPECT_EQ(readWord32(0, 1, packed, 0), 0u);  // 6/128 .. 9/128, transparency too, are all 0

    // Grey floats without transparency: the grey in red, green and blue, opaque 1.
    const float grey[3] = {0.25f, -2.0f, 7.5f};
    rows = HostRows{};
    rows.data = grey;
    rows.rowBytes = sizeof(grey);
    rows.grey = true;
    rows.valueClass = HostValueClass::floating;
    Pyramid floats;
    make(floats, 3, 1, kStorageFloat4);
    ASSERT_TRUE(copyHostRows(rows, 3, 1, floats, 0, 0));
    float f[4];
    readFloat4(1, 0, floats, 0, f);
    EXPECT_EQ(f[0], -2.0f);
    EXPECT_EQ(f[2], -2.0f);
    EXPECT_EQ(f[3], 1.0f);

    // A storage takes only its own value class (and 8-bit only into packed 8-bit).
    EXPECT_FALSE(copyHostRows(rows, 3, 1, deep, 0, 0));
    rows.valueClass = HostValueClass::eightBit;
    EXPECT_FALSE(copyHostRows(rows, 3, 1, floats, 0, 0));
    readFloat4(0, 0, floats, 0, f);
    EXPECT_EQ(f[0], 0.25f);
}

TEST(HostRows, ARowMayRunOverTwoTiles) {
    // Eight-bit RGB from column 510 of a 520-wide image: columns 510, 511 lie in
    // the first tile, 512, 513 in the second.
    const uint8_t rgb[12] = {10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42};
    HostRows rows;
    rows.data = rgb;
    rows.rowBytes = sizeof(rgb);
    rows.samplesPerPixel = 3;
    Pyramid p;
    make(p, 520, 2, kStoragePacked8);
    ASSERT_TRUE(copyHostRows(rows, 4, 1, p, 510, 1));
    EXPECT_EQ(readWord32(510, 1, p, 0), 0x0A0B0CFFu);
    EXPECT_EQ(readWord32(511, 1, p, 0), 0x141516FFu);
    EXPECT_EQ(readWord32(512, 1, p, 0), 0x1E1F20FFu);
    EXPECT_EQ(readWord32(513, 1, p, 0), 0x28292AFFu);
    EXPECT_EQ(readWord32(514, 1, p, 0), 0u);
}

TEST(TiledImageCapture, SixteenBitValuesConvertByRoundingTo128) {
    // One plane: grey into red, green and blue. v + 1 >= 32768 gives 255,
    // else (v + 1) / 128: 32767 -> 255, 32639 -> 32640/128 = 255, 32638 -> 254.
    const uint16_t values[] = {32767, 32639, 32638, 0, 127, 65535, 255};
    const uint32_t expected[] = {255, 255, 254, 0, 1, 255, 2};
    HostPixelBuffer buffer;
    buffer.data = values;
    buffer.rowBytes = sizeof(values);
    buffer.planes = 1;
    buffer.width = 7;
    buffer.height = 1;
    buffer.valueClass = HostValueClass::sixteenBit;
    Pyramid p;
    make(p, 7, 1, kStoragePacked8);
    captureHostRect(buffer, PixelRect{0, 0, 1, 7}, p);
    for (int x = 0; x < 7; ++x) {
        const uint32_t w = readWord32(x, 0, p, 0);
        EXPECT_EQ(channelOf(w, 0), expected[x]) << x;
        EXPECT_EQ(channelOf(w, 1), expected[x]) << x;
        EXPECT_EQ(channelOf(w, 2), expected[x]) << x;
        EXPECT_EQ(channelOf(w, 3), 255u);
    }
}

TEST(TiledImageCapture, EightBitAndFloatingBuffers) {
    // 3 x 2 RGB 8-bit buffer with padded rows; capture the rectangle from (1, 0).
    const uint8_t rgb[2][12] = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}, {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}};
    HostPixelBuffer buffer;
    buffer.data = rgb;
    buffer.rowBytes = 12;
    buffer.planes = 3;
    buffer.width = 3;
    buffer.height = 2;
    Pyramid p;
    make(p, 4, 4, kStoragePacked8);
    captureHostRect(buffer, PixelRect{0, 1, 2, 4}, p);  // column 3 is outside the buffer
    EXPECT_EQ(readWord32(0, 0, p, 0), 0x040506FFu);
    EXPECT_EQ(readWord32(1, 1, p, 0), 0x111213FFu);
    EXPECT_EQ(readWord32(2, 0, p, 0), 0u);  // not read, left unchanged

    // Two planes (grey and transparency): grey repeated.
    const uint8_t greyAlpha[4] = {90, 7, 160, 8};
    buffer.data = greyAlpha;
    buffer.rowBytes = 4;
    buffer.planes = 2;
    buffer.width = 2;
    buffer.height = 1;
    captureHostRect(buffer, PixelRect{0, 0, 1, 2}, p);
    EXPECT_EQ(readWord32(1, 0, p, 0), 0xA0A0A0FFu);

    // Floats: trunc(255 * sqrt(v)) with v limited to [0, 65535], result to 0..255.
    const float values[] = {0.25f, 1.0f, 4.0f, -1.0f, NAN, 0.01f};
    const uint32_t expected[] = {127, 255, 255, 0, 0, 25};  // 255 * 0.5 = 127.5; 255 * 0.1 = 25.5
    buffer.data = values;
    buffer.rowBytes = sizeof(values);
    buffer.planes = 1;
    buffer.width = 6;
    buffer.height = 1;
    buffer.valueClass = HostValueClass::floating;
    Pyramid f;
    make(f, 6, 1, kStoragePacked8);
    captureHostRect(buffer, PixelRect{0, 0, 1, 6}, f);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(channelOf(readWord32(x, 0, f, 0), 1), expected[x]) << x;
}

