// Tiled image access: accessor edge and packing rules, copies, resampling,
// level rebuilding, the grey placeholder and the square thumbnail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effect/thumbnail.h"
#include "effect/tiled_image.h"
#include "kernels/job_workers.h"
#include "kernels/samplers.h"

namespace {

const WeightTables& tables() {
    static WeightTables t = [] {
        WeightTables built;
        buildWeightTables(built);
        return built;
    }();
    return t;
}

void make(Pyramid& p, int w, int h, int type, int edge = kEdgeClamp) {
    ASSERT_TRUE(p.create(systemMemoryService(), w, h, type, edge));
    p.weights = &tables();
}

uint32_t channelOf(uint32_t word, int c) { return (word >> (24 - 8 * c)) & 0xFF; }

MemoryService refusingMemory() {
    MemoryService s;
    s.allocate = [](void*, size_t, MemoryBlock*) { return false; };
    s.release = [](void*, MemoryBlock*) {};
    return s;
}

}  // namespace

TEST(TiledImageAccess, ReadsClampIntoTheLevel) {
    Pyramid p;
    make(p, 5, 4, kStoragePacked8);
    writePacked8(0, 0, p, 0, 1, 2, 3, 4);
    writePacked8(4, 2, p, 0, 9, 8, 7, 6);
    writePacked8(4, 3, p, 0, 11, 12, 13, 14);
    EXPECT_EQ(readWord32(-5, -5, p, 0), 0x01020304u);
    EXPECT_EQ(readWord32(5, 2, p, 0), 0x09080706u);     // beyond the last column: the last column
    EXPECT_EQ(readWord32(99, 99, p, 0), 0x0B0C0D0Eu);
    uint32_t ch[4];
    readChannels(-1, 2, p, 0, ch);
    EXPECT_EQ(ch[0], 0u);
    readChannels(10, 2, p, 0, ch);
    EXPECT_EQ(ch[0], 9u);
    EXPECT_EQ(ch[3], 6u);
    // An absent level reads the top level; an image without tiles reads 0.
    writePacked8(0, 0, p, p.lmax, 5, 5, 5, 5);
    EXPECT_EQ(readWord32(0, 0, p, 40), 0x05050505u);
    Pyramid none;
    EXPECT_EQ(readSample(0, 0, none, 0), 0u);
    readChannels(0, 0, none, 0, ch);
    EXPECT_EQ(ch[0] | ch[1] | ch[2] | ch[3], 0u);
}

TEST(TiledImageAccess, WritesOutsideTheLevelAreIgnored) {
    Pyramid p;
    make(p, 5, 4, kStoragePacked8);
    writeChannels(5, 0, p, 0, 255, 255, 255, 255);   // column == width
    writeChannels(-1, 0, p, 0, 255, 255, 255, 255);
    writeChannels(0, 4, p, 0, 255, 255, 255, 255);   // row == height
    writeColor(0, -1, p, 0, EffectColor{1, 1, 1, 1});
    writeChannels(0, 0, p, 1 + p.lmax, 255, 255, 255, 255);
    writeChannels(0, 0, p, -1, 255, 255, 255, 255);
    for (int n = 0; n <= p.lmax; ++n)
        for (int y = 0; y < p.height[n]; ++y)
            for (int x = 0; x < p.width[n]; ++x) EXPECT_EQ(readWord32(x, y, p, n), 0u);
    Pyramid none;
    writeChannels(0, 0, none, 0, 1, 2, 3, 4);  // no tiles: nothing, no crash
}

TEST(TiledImageAccess, PackingKeepsTheLowBitsOfEachChannel) {
    Pyramid p;
    make(p, 3, 3, kStoragePacked8);
    writeChannels(1, 1, p, 0, 0x1AB, 0x2CD, 0x3EF, 0x412);
    EXPECT_EQ(readWord32(1, 1, p, 0), 0xABCDEF12u);
    writePacked8(2, 2, p, 0, 0xFFFFFF01, 0x102, 0x203, 0x304);
    EXPECT_EQ(readWord32(2, 2, p, 0), 0x01020304u);
    uint32_t ch[4];
    readChannels(1, 1, p, 0, ch);
    EXPECT_EQ(ch[0], 0xABu);
    EXPECT_EQ(ch[1], 0xCDu);
    EXPECT_EQ(ch[2], 0xEFu);
    EXPECT_EQ(ch[3], 0x12u);

    Pyramid wide;
    make(wide, 3, 3, kStorageRgba16);
    writeChannels(0, 0, wide, 0, 0x12345, 32768, 7, 0x10000);
    uint16_t v[4];
    readRgba16(0, 0, wide, 0, v);
    EXPECT_EQ(v[0], 0x2345);
    EXPECT_EQ(v[1], 32768);
    EXPECT_EQ(v[2], 7);
    EXPECT_EQ(v[3], 0);

    Pyramid three;
    make(three, 3, 3, kStorageRgb16);
    writeChannels(2, 0, three, 0, 1, 2, 0x10003, 99);
    uint32_t c3[4] = {0, 0, 0, 1234};
    readChannels(2, 0, three, 0, c3);
    EXPECT_EQ(c3[0], 1u);
    EXPECT_EQ(c3[2], 3u);
    EXPECT_EQ(c3[3], 1234u);  // the fourth is left as it was
    uint16_t rgb[3];
    readRgb16(2, 0, three, 0, rgb);
    EXPECT_EQ(rgb[1], 2);
}

TEST(TiledImageAccess, WriteColourScalesByTheFullScaleValueAndTruncates) {
    Pyramid p;
    make(p, 2, 2, kStoragePacked8);
    // 255, 127.5 -> 127, 63.75 -> 63, 0.
    writeColor(0, 0, p, 0, EffectColor{1.0f, 0.5f, 0.25f, 0.0f});
    EXPECT_EQ(readWord32(0, 0, p, 0), 0xFF7F3F00u);

    Pyramid wide;
    make(wide, 2, 2, kStorageRgba16);
    writeColor(1, 1, wide, 0, EffectColor{1.0f, 0.5f, 0.999f, 0.0f});
    uint16_t v[4];
    readRgba16(1, 1, wide, 0, v);
    EXPECT_EQ(v[0], 32768);
    EXPECT_EQ(v[1], 16384);
    EXPECT_EQ(v[2], static_cast<uint16_t>(32735));  // 0.999 * 32768 = 32735.2

    Pyramid floats;
    make(floats, 2, 2, kStorageFloat4);
    writeColor(1, 0, floats, 0, EffectColor{-0.5f, 2.0f, 0.125f, 1.0f});
    float f[4];
    readFloat4(1, 0, floats, 0, f);
    EXPECT_EQ(f[0], -0.5f);
    EXPECT_EQ(f[1], 2.0f);
    uint32_t words[4];
    readWords32(1, 0, floats, 0, words);
    EXPECT_EQ(words[3], 0x3F800000u);

    Pyramid grey;
    make(grey, 2, 2, kStorageGrey8);
    writeColor(0, 0, grey, 0, EffectColor{1, 1, 1, 1});  // other types: nothing written
    EXPECT_EQ(readSample(0, 0, grey, 0), 0u);
    // NaN and huge values never make the conversion undefined.
    writeColor(1, 1, p, 0, EffectColor{NAN, 1e30f, -1e30f, 0.0f});
    EXPECT_EQ(channelOf(readWord32(1, 1, p, 0), 0), 0u);
}

TEST(TiledImageAccess, OneSampleTypesAndTypedShortcuts) {
    Pyramid grey, sixteen, word, floats;
    make(grey, 2, 2, kStorageGrey8);
    make(sixteen, 2, 2, kStorageGrey16);
    make(word, 2, 2, kStorageWord16);
    make(floats, 2, 2, kStorageFloat1);
    writeByte(1, 1, grey, 0, 200);
    EXPECT_EQ(readSample(1, 1, grey, 0), 200u);
    EXPECT_EQ(readSample(7, 7, grey, 0), 200u);
    std::memcpy(sixteen.pixelInside(0, 0, 1), "\x34\x12", 2);
    EXPECT_EQ(readSample(0, 1, sixteen, 0), 0x1234u);
    EXPECT_EQ(readSample16(0, 1, sixteen, 0), 0x1234);
    std::memcpy(word.pixelInside(0, 1, 0), "\x01\x00", 2);
    EXPECT_EQ(readSample16(1, 0, word, 0), 1);
    const float quarter = 0.25f;
    std::memcpy(floats.pixelInside(0, 0, 0), &quarter, 4);
    EXPECT_EQ(readSample(0, 0, floats, 0), 0x3E800000u);
    EXPECT_EQ(readWord32(0, 0, floats, 0), 0x3E800000u);

    // A shortcut acts only on its own type.
    Pyramid packed;
    make(packed, 2, 2, kStoragePacked8);
    writeByte(0, 0, packed, 0, 9);
    writeRgba16(0, 0, packed, 0, 1, 2, 3, 4);
    writeFloat4(0, 0, packed, 0, 1, 2, 3, 4);
    writeRgb16(0, 0, packed, 0, 1, 2, 3);
    EXPECT_EQ(readWord32(0, 0, packed, 0), 0u);
    EXPECT_EQ(readSample(0, 0, packed, 0), 0u);
    EXPECT_EQ(readSample16(0, 0, packed, 0), 0);
    const uint32_t w4[4] = {1, 2, 3, 4};
    writeWords32(0, 0, packed, 0, w4);
    EXPECT_EQ(readWord32(0, 0, packed, 0), 0u);

    Pyramid four;
    make(four, 2, 2, kStorageFloat4);
    writeWords32(1, 1, four, 0, w4);
    uint32_t back[4];
    readWords32(1, 1, four, 0, back);
    EXPECT_EQ(back[2], 3u);
    readChannels(1, 1, four, 0, back);
    EXPECT_EQ(back[3], 4u);
}

TEST(TiledImageCopy, EqualSizesCopyExactly) {
    Pyramid source, target;
    make(source, 600, 20, kStoragePacked8);
    make(target, 600, 20, kStoragePacked8);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 600; ++x) writePacked8(x, y, source, 0, x & 0xFF, (x + y) & 0xFF, (3 * x) & 0xFF, (x * y) & 0xFF);
    copyImage(source, target);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 600; ++x) ASSERT_EQ(readWord32(x, y, target, 0), readWord32(x, y, source, 0)) << x << "," << y;
    EXPECT_EQ(target.buildState, kBuildFull);
    EXPECT_NE(readWord32(10, 3, target, 1), 0u);  // levels rebuilt

    Pyramid s16, t16;
    make(s16, 30, 30, kStorageRgba16);
    make(t16, 30, 30, kStorageRgba16);
    for (int x = 0; x < 30; ++x) writeRgba16(x, 0, s16, 0, static_cast<uint16_t>(1091 * x), 32768, 1, 65535 - x);
    copyImage(s16, t16);
    for (int x = 0; x < 30; ++x) {
        uint16_t a[4], b[4];
        readRgba16(x, 0, s16, 0, a);
        readRgba16(x, 0, t16, 0, b);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(a[c], b[c]) << x;
    }
}

TEST(TiledImageCopy, CopyLevelNeedsTheSameTypeAndCoversTheIntersection) {
    Pyramid packed, floats;
    make(packed, 8, 8, kStoragePacked8);
    make(floats, 8, 8, kStorageFloat4);
    writeFloat4(0, 0, floats, 0, 1, 1, 1, 1);
    copyLevel(floats, 0, packed, 0);
    EXPECT_EQ(readWord32(0, 0, packed, 0), 0u);

    Pyramid small, big;
    make(small, 3, 2, kStoragePacked8);
    make(big, 5, 5, kStoragePacked8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) writePacked8(x, y, small, 0, 10 * x + y, 1, 2, 3);
    copyLevel(small, 0, big, 0);
    EXPECT_EQ(channelOf(readWord32(2, 1, big, 0), 0), 21u);
    EXPECT_EQ(readWord32(3, 0, big, 0), 0u);  // outside the intersection
    EXPECT_EQ(readWord32(0, 2, big, 0), 0u);
}

TEST(TiledImageCopy, DifferentSizesResampleToOpaquePixels) {
    Pyramid source, target;
    make(source, 256, 256, kStoragePacked8);
    make(target, 128, 128, kStoragePacked8);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) writePacked8(x, y, source, 0, 200, 100, 50, 7);
    rebuildLevels(source, 0);
    copyImage(source, target);
    // Level log2(256/128) - 0.5 = 0.5: levels 0 and 1 of a flat source,
    // whose level 1 may be one unit less after the reduce.
    for (int y = 0; y < 128; y += 9) {
        for (int x = 0; x < 128; x += 7) {
            const uint32_t w = readWord32(x, y, target, 0);
            EXPECT_TRUE(channelOf(w, 0) == 200 || channelOf(w, 0) == 199);
            EXPECT_TRUE(channelOf(w, 2) == 50 || channelOf(w, 2) == 49);
            EXPECT_EQ(channelOf(w, 3), 255u);
        }
    }
    EXPECT_EQ(target.buildState, kBuildFull);
}

// A resample's rows may run on workers: every pixel is sampled on its own,
// so the target is the same as from one thread, at 8 bits and in floats.
TEST(TiledImageCopy, ResampleOnWorkersGivesTheSamePixels) {
    JobWorkers workers;
    workers.start(3);
    for (const int type : {kStoragePacked8, kStorageFloat4}) {
        Pyramid source, alone, shared;
        make(source, 700, 300, type);
        make(alone, 333, 151, type);
        make(shared, 333, 151, type);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 700; ++x)
                writeColor(x, y, source, 0, EffectColor{float(x % 97) / 96, float(y % 41) / 40, float((x ^ y) & 255) / 255, 1});
        rebuildLevels(source, 0);
        copyImage(source, alone);
        copyImage(source, shared, 1, &workers);
        for (int y = 0; y < 151; ++y)
            for (int x = 0; x < 333; ++x) {
                uint32_t a[4], b[4];
                readChannels(x, y, alone, 0, a);
                readChannels(x, y, shared, 0, b);
                ASSERT_TRUE(std::memcmp(a, b, sizeof a) == 0) << type << " at " << x << "," << y;
            }
    }
}

// An export renders a band of rows at a time: each band of the copied or
// resampled image must hold exactly the rows of the whole image, for bands
// of an odd height that end between tile rows and a short last band.
TEST(TiledImageCopy, BandsOfRowsHoldTheWholeImagesRows) {
    JobWorkers workers;
    workers.start(3);
    struct Size { int w, h; };
    for (const int type : {kStoragePacked8, kStorageRgba16, kStorageFloat4})
        for (const Size target : {Size{700, 300}, Size{517, 151}}) {  // the same size (copied), a smaller one (resampled)
            Pyramid source, whole, band;
            make(source, 700, 300, type);
            for (int y = 0; y < 300; ++y)
                for (int x = 0; x < 700; ++x)
                    writeColor(x, y, source, 0, EffectColor{float(x % 97) / 96, float(y % 41) / 40, float((x ^ y) & 255) / 255, float(x % 7) / 6});
            rebuildLevels(source, 0);
            make(whole, target.w, target.h, type);
            copyImage(source, whole);
            constexpr int kBand = 37;
            ASSERT_TRUE(band.create(systemMemoryService(), target.w, kBand, type, kEdgeNoLevels));
            for (int first = 0; first < target.h; first += kBand) {
                const int count = std::min(kBand, target.h - first);
                copyImageRows(source, band, target.w, target.h, first, count, &workers);
                for (int y = first; y < first + count; ++y)
                    for (int x = 0; x < target.w; ++x) {
                        uint32_t a[4], b[4];
                        readChannels(x, y, whole, 0, a);
                        readChannels(x, y - first, band, 0, b);
                        ASSERT_TRUE(std::memcmp(a, b, sizeof a) == 0)
                            << type << " " << target.w << " at " << x << "," << y;
                    }
            }
        }
}

TEST(TiledImageCopy, ResampleWritesOpaqueColoursAtTheTargetsDepth) {
    // A flat float source, red far above white and a quarter coverage, halved
    // into each colour storage type: the writer is chosen by the target.
    Pyramid source;
    make(source, 16, 16, kStorageFloat4);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) writeFloat4(x, y, source, 0, 3.0f, 0.5f, 0.0f, 0.25f);
    rebuildLevels(source, 0);

    Pyramid packed, deep, floats;
    make(packed, 8, 8, kStoragePacked8);
    make(deep, 8, 8, kStorageRgba16);
    make(floats, 8, 8, kStorageFloat4);
    copyImage(source, packed);
    copyImage(source, deep);
    copyImage(source, floats);
    for (int y = 0; y < 8; y += 3) {
        for (int x = 0; x < 8; x += 3) {
            // 8 bits: 3 * 255 is held at 255 (not wrapped to 765 & 255 = 253);
            // 0.5 * 255 = 127.5 truncates to 127; opaque.
            const uint32_t w = readWord32(x, y, packed, 0);
            EXPECT_EQ(channelOf(w, 0), 255u);
            EXPECT_EQ(channelOf(w, 1), 127u);
            EXPECT_EQ(channelOf(w, 2), 0u);
            EXPECT_EQ(channelOf(w, 3), 255u);
            // 16 bits: 0.5 of 32768, within the reduce's last unit; coverage 1 * 32768.
            uint16_t c[4];
            readRgba16(x, y, deep, 0, c);
            EXPECT_TRUE(c[1] == 16384 || c[1] == 16383) << c[1];
            EXPECT_EQ(c[2], 0);
            EXPECT_EQ(c[3], 32768);
            // Floats: the sampled colours as they are, coverage exactly 1.
            float f[4];
            readFloat4(x, y, floats, 0, f);
            EXPECT_NEAR(f[0], 3.0f, 1e-5f);
            EXPECT_NEAR(f[1], 0.5f, 1e-5f);
            EXPECT_EQ(f[3], 1.0f);
        }
    }
    EXPECT_EQ(deep.buildState, kBuildFull);
    EXPECT_EQ(floats.buildState, kBuildFull);
}

TEST(TiledImageCopy, ResampleIntoARectangle) {
    Pyramid source, target;
    make(source, 64, 64, kStoragePacked8);
    make(target, 40, 40, kStoragePacked8);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) writePacked8(x, y, source, 0, x < 32 ? 255 : 0, 0, 0, 255);
    for (int n = 1; n <= source.lmax; ++n)  // make every level the same split picture
        for (int y = 0; y < source.height[n]; ++y)
            for (int x = 0; x < source.width[n]; ++x) writePacked8(x, y, source, n, 2 * x < source.width[n] ? 255 : 0, 0, 0, 255);
    // 64 -> 16 columns: level log2(4) - 0.5 = 1.5, at (j + 10, i + 5).
    resampleImage(source, target, PixelRect{0, 0, 64, 64}, PixelRect{5, 10, 21, 26});
    EXPECT_EQ(readWord32(9, 5, target, 0), 0u);   // left of the rectangle: untouched
    EXPECT_EQ(readWord32(10, 4, target, 0), 0u);  // above it
    EXPECT_EQ(readWord32(26, 5, target, 0), 0u);  // right of it
    EXPECT_EQ(readWord32(10, 5, target, 0), 0xFF0000FFu);  // far left of the split: red
    EXPECT_EQ(readWord32(25, 20, target, 0), 0x000000FFu); // far right: black, opaque
}

TEST(TiledImageLevels, RebuildSkipsImagesOfEdgeModeMinusOne) {
    Pyramid p;
    make(p, 16, 16, kStoragePacked8, kEdgeNoLevels);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) writePacked8(x, y, p, 0, 255, 255, 255, 255);
    rebuildLevels(p, 0);
    rebuildLevels(p, 1);
    EXPECT_EQ(p.lmax, 0);
    EXPECT_EQ(p.buildState, kBuildCreated);

    Pyramid q;
    make(q, 16, 16, kStoragePacked8);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) writePacked8(x, y, q, 0, 255, 255, 255, 255);
    rebuildLevels(q, 0, 4);
    EXPECT_EQ(readWord32(3, 3, q, 1), 0xFFFFFFFFu);  // 255 is exact: 1640 / 1640
    EXPECT_EQ(readWord32(0, 0, q, q.lmax), 0xFFFFFFFFu);
}

TEST(TiledImageCapture, GreyPlaceholderIsAVerticalRamp) {
    Pyramid p;
    make(p, 128, 128, kStoragePacked8);
    fillGreyPlaceholder(p);
    EXPECT_EQ(readWord32(0, 0, p, 0), 0xFFFFFFFFu);
    EXPECT_EQ(readWord32(127, 0, p, 0), 0xFFFFFFFFu);
    EXPECT_EQ(readWord32(5, 127, p, 0), 0x808080FFu);  // 255 - 127 = 128
    EXPECT_EQ(readWord32(64, 55, p, 0), 0xC8C8C8FFu);  // 255 - 55 = 200
    Pyramid none;
    fillGreyPlaceholder(none);
}

TEST(SquareThumbnail, CentredSquareOfTheSmallerSide) {
    // 128 x 300: side 128, left 64 - 64 = 0, top 150 - 64 = 86; copied exactly.
    std::vector<uint8_t> pixels(128 * 300 * 3);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 128; ++x) {
            uint8_t* px = &pixels[(y * 128 + x) * 3];
            px[0] = static_cast<uint8_t>(y);
            px[1] = static_cast<uint8_t>(x);
            px[2] = 9;
        }
    HostPixelBuffer buffer{pixels.data(), 128 * 3, 3, 128, 300, HostValueClass::eightBit};
    WeightTables weights;
    Pyramid thumbnail;
    make(thumbnail, 128, 128, kStoragePacked8);
    ASSERT_TRUE(makeSquareThumbnail(buffer, 128, 300, thumbnail, weights, systemMemoryService()));
    EXPECT_EQ(readWord32(0, 0, thumbnail, 0), (86u << 24) | (0u << 16) | (9u << 8) | 255u);
    EXPECT_EQ(readWord32(100, 41, thumbnail, 0), (127u << 24) | (100u << 16) | (9u << 8) | 255u);
    EXPECT_EQ(thumbnail.buildState, kBuildFull);
}

TEST(SquareThumbnail, WiderPicturesAreResampledFromTheirMiddle) {
    // 300 x 200: side 200, left 150 - 100 = 50. Only the green middle is captured.
    std::vector<uint8_t> pixels(300 * 200 * 3);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) {
            uint8_t* px = &pixels[(y * 300 + x) * 3];
            const bool middle = x >= 50 && x < 250;
            px[0] = 0;
            px[1] = middle ? 255 : 0;
            px[2] = middle ? 0 : 255;
        }
    HostPixelBuffer buffer{pixels.data(), 300 * 3, 3, 300, 200, HostValueClass::eightBit};
    WeightTables weights;
    Pyramid thumbnail;
    make(thumbnail, 128, 128, kStoragePacked8);
    ASSERT_TRUE(makeSquareThumbnail(buffer, 300, 200, thumbnail, weights, systemMemoryService()));
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const uint32_t w = readWord32(x, y, thumbnail, 0);
            ASSERT_EQ(channelOf(w, 0), 0u) << x << "," << y;
            ASSERT_GE(channelOf(w, 1), 254u) << x << "," << y;
            ASSERT_EQ(channelOf(w, 2), 0u) << x << "," << y;
            ASSERT_EQ(channelOf(w, 3), 255u);
        }
    }
}

TEST(SquareThumbnail, PlaceholderStaysWhenTheSquareCannotBeMade) {
    std::vector<uint8_t> pixels(50 * 50 * 3, 0);
    HostPixelBuffer buffer{pixels.data(), 150, 3, 50, 50, HostValueClass::eightBit};
    WeightTables weights;
    Pyramid thumbnail;
    make(thumbnail, 128, 128, kStoragePacked8);
    EXPECT_FALSE(makeSquareThumbnail(buffer, 50, 50, thumbnail, weights, refusingMemory()));
    EXPECT_EQ(readWord32(3, 10, thumbnail, 0), 0xF5F5F5FFu);  // 255 - 10
    EXPECT_FALSE(makeSquareThumbnail(buffer, 0, 50, thumbnail, weights, systemMemoryService()));
    Pyramid none;
    EXPECT_FALSE(makeSquareThumbnail(buffer, 50, 50, none, weights, systemMemoryService()));
}
