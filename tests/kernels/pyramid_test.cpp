// Image pyramid: level sizes, tiles, creation failures, reads, reduce, build and refresh.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kernels/pyramid.h"
#include "kernels/speed_settings.h"
#include "kernels/pyramid_pixels.h"

namespace {

// Plain memory that counts the blocks outstanding and can refuse the n-th request.
struct CountingMemory {
    int requests = 0;
    int allocations = 0;
    int releases = 0;
    int failAt = -1;  // 1-based number of the request to refuse; -1 never
    static bool allocate(void* context, size_t bytes, MemoryBlock* block) {
        auto* self = static_cast<CountingMemory*>(context);
        if (++self->requests == self->failAt) return false;
        MemoryService plain = systemMemoryService();
        if (!plain.allocate(nullptr, bytes, block)) return false;
        ++self->allocations;
        return true;
    }
    static void release(void* context, MemoryBlock* block) {
        auto* self = static_cast<CountingMemory*>(context);
        MemoryService plain = systemMemoryService();
        plain.release(nullptr, block);
        ++self->releases;
    }
    MemoryService service() {
        MemoryService s;
        s.allocate = allocate;
        s.release = release;
        s.context = this;
        return s;
    }
    int outstanding() const { return allocations - releases; }
};

// Deterministic pixel values (a 32-bit linear congruential generator).
struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

void fillRandom(Pyramid& p, uint32_t seed) {
    Lcg lcg{seed};
    for (int y = 0; y < p.height[0]; ++y) {
        for (int x = 0; x < p.width[0]; ++x) {
            uint8_t* px = p.pixelInside(0, x, y);
            if (p.storageType == kStoragePacked8) storeU32(px, lcg.next() << 8 | (lcg.next() & 0xFF));
            if (p.storageType == kStorageRgba16) {
                for (int c = 0; c < 4; ++c) storeU16(px + 2 * c, static_cast<uint16_t>(lcg.next() % 32769));
            }
            if (p.storageType == kStorageFloat4) {
                for (int c = 0; c < 4; ++c) storeF32(px + 4 * c, static_cast<float>(lcg.next() % 100000) / 65536.0f);
            }
        }
    }
}

bool levelsEqual(const Pyramid& a, const Pyramid& b, int level) {
    for (int y = 0; y < a.height[level]; ++y) {
        for (int x = 0; x < a.width[level]; ++x) {
            if (std::memcmp(a.pixelInside(level, x, y), b.pixelInside(level, x, y), a.bytesPerPixel) != 0) return false;
        }
    }
    return true;
}

void setFloat4(Pyramid& p, int level, int x, int y, float r, float g, float b, float a) {
    uint8_t* px = p.pixelInside(level, x, y);
    storeF32(px, r);
    storeF32(px + 4, g);
    storeF32(px + 8, b);
    storeF32(px + 12, a);
}

}  // namespace

TEST(PyramidLayout, LevelSizesHalveRoundUpAndMakeOddSizesEven) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 100, 1, kStoragePacked8, kEdgeClamp));
    const int widths[] = {100, 50, 26, 14, 8, 4, 2, 1};
    for (int n = 0; n < 8; ++n) {
        EXPECT_EQ(p.width[n], widths[n]) << n;
        EXPECT_EQ(p.height[n], 1) << n;
        EXPECT_EQ(p.lastColumn[n], widths[n] - 1);
        EXPECT_EQ(p.inverseWidth[n], 1.0f / static_cast<float>(widths[n]));
    }
    EXPECT_EQ(p.lmax, 7);
    for (int n = 8; n < kPyramidLevels; ++n) EXPECT_EQ(p.width[n], 0) << n;

    ASSERT_TRUE(p.create(systemMemoryService(), 6000, 4000, kStoragePacked8, kEdgeClamp));
    const int w6000[] = {6000, 3000, 1500, 750, 376, 188, 94, 48, 24, 12, 6, 4, 2, 1};
    const int h4000[] = {4000, 2000, 1000, 500, 250, 126, 64, 32, 16, 8, 4, 2, 1, 1};
    for (int n = 0; n < 14; ++n) {
        EXPECT_EQ(p.width[n], w6000[n]) << n;
        EXPECT_EQ(p.height[n], h4000[n]) << n;
    }
    EXPECT_EQ(p.lmax, 13);
    EXPECT_EQ(p.width[14], 0);
}

TEST(PyramidLayout, TinyImagesStopAfterTheFirstOneByOneReducedLevel) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 1, 1, kStoragePacked8, kEdgeClamp));
    EXPECT_EQ(p.lmax, 1);
    EXPECT_EQ(p.width[1], 1);
    EXPECT_EQ(p.height[1], 1);
    EXPECT_EQ(p.width[2], 0);
    EXPECT_EQ(p.tileCount, 2);

    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStoragePacked8, kEdgeClamp));
    EXPECT_EQ(p.lmax, 1);
    EXPECT_EQ(p.width[0], 2);
    EXPECT_EQ(p.width[1], 1);
    EXPECT_EQ(p.height[1], 1);

    ASSERT_TRUE(p.create(systemMemoryService(), 3, 5, kStoragePacked8, kEdgeClamp));
    EXPECT_EQ(p.lmax, 3);  // 3x5, 2x4, 1x2, 1x1
    EXPECT_EQ(p.width[1], 2);
    EXPECT_EQ(p.height[1], 4);
    EXPECT_EQ(p.height[2], 2);
    EXPECT_EQ(p.height[3], 1);
}

TEST(PyramidLayout, AtMostTwentyLevels) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 1 << 21, 1, kStorageGrey8, kEdgeClamp));
    EXPECT_EQ(p.lmax, 19);
    EXPECT_EQ(p.width[19], 4);  // 2^21 halved 19 times
}

TEST(PyramidTiles, LastTileColumnAndRowAreNarrower) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 513, 1030, kStoragePacked8, kEdgeClamp));
    EXPECT_EQ(p.tilesPerRow[0], 2);
    EXPECT_EQ(p.tileRows[0], 3);
    ASSERT_EQ(p.levelTileCount(0), 6);
    EXPECT_EQ(p.levelTile(0, 0)->width, 512);
    EXPECT_EQ(p.levelTile(0, 1)->width, 1);
    EXPECT_EQ(p.levelTile(0, 1)->left, 512);
    EXPECT_EQ(p.levelTile(0, 5)->height, 6);
    EXPECT_EQ(p.levelTile(0, 5)->top, 1024);
    const PixelRect r = p.tileRect(*p.levelTile(0, 5));
    EXPECT_EQ(r.left, 512);
    EXPECT_EQ(r.top, 1024);
    EXPECT_EQ(r.right, 513);
    EXPECT_EQ(r.bottom, 1030);
    EXPECT_EQ(p.levelTile(0, 6), nullptr);

    // Level 1 is 258 x 516: one tile column, two tile rows, after level 0's six tiles.
    EXPECT_EQ(p.width[1], 258);
    EXPECT_EQ(p.height[1], 516);
    EXPECT_EQ(p.firstTile[1], 6);
    EXPECT_EQ(p.levelTile(1, 1)->height, 4);

    // Pixel (512, 1025) is pixel (0, 1) of the one-pixel-wide tile 5.
    const PyramidTile& t5 = p.tiles[5];
    EXPECT_EQ(p.pixelInside(0, 512, 1025), static_cast<uint8_t*>(t5.memory.data) + 1 * 4);
    // Pixel (3, 2) of level 1 is at offset 3 + 2 * 258 of tile 6.
    EXPECT_EQ(p.pixelInside(1, 3, 2), static_cast<uint8_t*>(p.tiles[6].memory.data) + (3 + 2 * 258) * 4);
}

TEST(PyramidCreate, RefusesBadArgumentsWithoutAllocating) {
    CountingMemory memory;
    Pyramid p;
    EXPECT_FALSE(p.create(memory.service(), 0, 10, kStoragePacked8, kEdgeClamp));
    EXPECT_FALSE(p.create(memory.service(), 10, -1, kStoragePacked8, kEdgeClamp));
    for (int type : {6, 8, 10, -1, 255}) EXPECT_FALSE(p.create(memory.service(), 10, 10, type, kEdgeClamp)) << type;
    EXPECT_FALSE(p.create(memory.service(), 10, 10, kStoragePacked8, 7));
    // 50000 x 50000 four-float pixels: 40 GB, beyond 32-bit byte counts.
    EXPECT_FALSE(p.create(memory.service(), 50000, 50000, kStorageFloat4, kEdgeClamp));
    EXPECT_FALSE(p.create(memory.service(), 0x7FFFFFFF, 0x7FFFFFFF, kStorageGrey8, kEdgeClamp));
    EXPECT_EQ(memory.allocations, 0);
    EXPECT_FALSE(p.hasTiles());
    EXPECT_FALSE(p.create(MemoryService{}, 10, 10, kStoragePacked8, kEdgeClamp));
}

TEST(PyramidCreate, AllocationFailureHalfWayFreesEverything) {
    // 1100 x 1100: the table, then one block per row of tiles: 3 rows at
    // level 0, 2 at level 1, then one tile per level for the ten levels
    // above. Fail the table, the first row, a middle one and the last one.
    Pyramid probe;
    CountingMemory counter;
    ASSERT_TRUE(probe.create(counter.service(), 1100, 1100, kStoragePacked8, kEdgeClamp));
    const int requests = counter.allocations;
    EXPECT_EQ(requests, 1 + 3 + 2 + 10);
    probe.release();
    EXPECT_EQ(counter.outstanding(), 0);

    for (int failAt : {1, 2, requests / 2, requests}) {
        CountingMemory memory;
        memory.failAt = failAt;
        Pyramid p;
        EXPECT_FALSE(p.create(memory.service(), 1100, 1100, kStoragePacked8, kEdgeClamp)) << failAt;
        EXPECT_EQ(memory.outstanding(), 0) << failAt;
        EXPECT_FALSE(p.hasTiles());
        EXPECT_EQ(p.tileCount, 0);
        EXPECT_EQ(p.tiles, nullptr);
        const int releasesBefore = memory.releases;
        p.release();
        EXPECT_EQ(memory.releases, releasesBefore);
        EXPECT_EQ(p.nearestColor(0, 0, 0).red, 0.0f);
    }
}

TEST(PyramidCreate, TilesTakenAFewAtATimeAreUnusableUntilTheLastAndFreedOnFailure) {
    // 1100 x 1100: 3 x 3 tiles at level 0, 2 x 2 at level 1 (550), then one
    // per level (276, 138, 70, 36, 18, 10, 6, 4, 2, 1): 9 + 4 + 10 = 23.
    CountingMemory memory;
    Pyramid p;
    ASSERT_TRUE(p.layOut(memory.service(), 1100, 1100, kStoragePacked8, kEdgeClamp));
    EXPECT_EQ(p.plannedTiles, 23);
    EXPECT_EQ(memory.allocations, 1);  // the tile table only
    EXPECT_EQ(p.width[1], 550);
    EXPECT_EQ(p.tiles[9 + 3].width, 38);  // level 1's last tile: 550 - 512
    // Memory comes a row of tiles at a time: asking for tile 1 (or 2) takes
    // level 0's first row of 3, tile 10 completes level 1's first row of 2.
    const int upTos[] = {1, 2, 4, 10, 11, 14, 22};
    const int rowEnds[] = {3, 3, 6, 11, 11, 14, 22};
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(p.allocateTiles(upTos[i]));
        EXPECT_EQ(p.tileCount, rowEnds[i]) << upTos[i];
        EXPECT_FALSE(p.hasTiles());
        EXPECT_EQ(p.levelTileCount(0), 0);
    }
    ASSERT_TRUE(p.allocateTiles(1000));
    EXPECT_TRUE(p.hasTiles());
    EXPECT_EQ(memory.outstanding(), 1 + 15);
    // The tiles of a row lie one after another in its block.
    EXPECT_EQ(static_cast<uint8_t*>(p.tiles[1].memory.data), static_cast<uint8_t*>(p.tiles[0].memory.data) + 512 * 512 * 4);
    EXPECT_EQ(static_cast<uint8_t*>(p.tiles[2].memory.data), static_cast<uint8_t*>(p.tiles[1].memory.data) + 512 * 512 * 4);
    p.release();
    EXPECT_EQ(memory.outstanding(), 0);

    // The 12th row refused: the eleven already taken and the table go back.
    CountingMemory refusing;
    refusing.failAt = 1 + 12;
    ASSERT_TRUE(p.layOut(refusing.service(), 1100, 1100, kStoragePacked8, kEdgeClamp));
    ASSERT_TRUE(p.allocateTiles(8));
    EXPECT_FALSE(p.allocateTiles(23));
    EXPECT_EQ(refusing.outstanding(), 0);
    EXPECT_EQ(p.tiles, nullptr);
    EXPECT_FALSE(p.allocateTiles(23));
}

TEST(PyramidCreate, ReleaseTwiceAndRecreateFreeWhatWasHeld) {
    CountingMemory memory;
    Pyramid p;
    ASSERT_TRUE(p.create(memory.service(), 600, 600, kStorageRgba16, kEdgeWrap));
    const int first = memory.outstanding();
    ASSERT_TRUE(p.create(memory.service(), 10, 10, kStorageRgba16, kEdgeWrap));
    EXPECT_LT(memory.outstanding(), first);
    EXPECT_EQ(memory.outstanding(), p.tileCount + 1);
    p.release();
    p.release();
    EXPECT_EQ(memory.outstanding(), 0);
    EXPECT_EQ(p.tileCount, 0);
}

TEST(PyramidCreate, RecordFieldsOfTheStorageType) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 4, 4, kStorageRgba16, kEdgeWrapHorizontal));
    EXPECT_EQ(p.bytesPerPixel, 8);
    EXPECT_EQ(p.fullScale, 32768.0f);
    EXPECT_EQ(p.inverseFullScale, 1.0f / 32768.0f);
    EXPECT_EQ(p.edgeMode, kEdgeWrapHorizontal);
    EXPECT_EQ(p.coordinateMode, 3);
    EXPECT_EQ(p.buildState, 0);
    const int bytes[] = {1, 2, 2, 4, 8, 4, 0, 6, 0, 16};
    for (int type = 0; type <= 9; ++type) EXPECT_EQ(storageInfo(type).bytesPerPixel, bytes[type]) << type;
}

TEST(PyramidReads, NearestColourScalesByTheFullScaleValue) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 4, 4, kStoragePacked8, kEdgeClamp));
    storeU32(p.pixelInside(0, 0, 0), 0xFF804000u);
    storeU32(p.pixelInside(0, 3, 3), 0x336699CCu);
    EffectColor c = p.nearestColor(-5, -5, 0);
    EXPECT_EQ(c.red, 1.0f);
    EXPECT_EQ(c.green, 128.0f * (1.0f / 255.0f));
    EXPECT_EQ(c.blue, 64.0f * (1.0f / 255.0f));
    EXPECT_EQ(c.coverage, 0.0f);
    c = p.nearestColor(10, 99, 0);  // clamped to (3, 3)
    EXPECT_EQ(c.red, 51.0f * (1.0f / 255.0f));
    EXPECT_EQ(c.coverage, 204.0f * (1.0f / 255.0f));

    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStorageRgba16, kEdgeClamp));
    uint8_t* px = p.pixelInside(0, 1, 0);
    storeU16(px, 32768);
    storeU16(px + 2, 16384);
    storeU16(px + 4, 8192);
    storeU16(px + 6, 0);
    c = p.nearestColor(1, 0, 0);
    EXPECT_EQ(c.red, 1.0f);
    EXPECT_EQ(c.green, 0.5f);
    EXPECT_EQ(c.blue, 0.25f);

    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStorageFloat4, kEdgeClamp));
    setFloat4(p, 0, 0, 1, 2.5f, -1.0f, 0.125f, 1.0f);
    c = p.nearestColor(0, 1, 0);
    EXPECT_EQ(c.red, 2.5f);  // floats as they are
    EXPECT_EQ(c.green, -1.0f);

    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStorageGrey8, kEdgeClamp));
    *p.pixelInside(0, 1, 1) = 51;
    c = p.nearestColor(1, 1, 0);
    EXPECT_EQ(c.red, 51.0f * (1.0f / 255.0f));
    EXPECT_EQ(c.blue, c.red);
    EXPECT_EQ(c.coverage, 1.0f);

    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStorageGrey16, kEdgeClamp));
    storeU16(p.pixelInside(0, 0, 0), 16384);
    EXPECT_EQ(p.nearestColor(0, 0, 0).green, 0.5f);
    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStorageWord16, kEdgeClamp));
    storeU16(p.pixelInside(0, 0, 0), 3);
    EXPECT_EQ(p.nearestColor(0, 0, 0).red, 3.0f);
    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStorageFloat1, kEdgeClamp));
    storeF32(p.pixelInside(0, 0, 0), 0.25f);
    EXPECT_EQ(p.nearestColor(0, 0, 0).blue, 0.25f);
}

TEST(PyramidReads, BilinearInterpolatesTheFourNearestPixels) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 2, 2, kStorageRgba16, kEdgeClamp));
    // Red: 0 at (0,0), 1 at (1,0), 0.5 at (0,1), 0.25 at (1,1).
    storeU16(p.pixelInside(0, 1, 0), 32768);
    storeU16(p.pixelInside(0, 0, 1), 16384);
    storeU16(p.pixelInside(0, 1, 1), 8192);
    // Centre: fx = fy = 0.5; top 0.5, bottom 0.375, result 0.4375.
    EXPECT_EQ(p.bilinearColor(0.5f, 0.5f, 0).red, 0.4375f);
    // x = 0.375: 2 * 0.375 - 0.5 = 0.25 -> columns 0 and 1, fx = 0.25.
    // y = 0.25 -> rows 0 and 1 with fy = 0: the top pair only, 0 + (1 - 0) * 0.25.
    EXPECT_EQ(p.bilinearColor(0.375f, 0.25f, 0).red, 0.25f);
    // y = 0.75 -> py = 1, the neighbour clamps to row 1: 0.5 + (0.25 - 0.5) * 0.25.
    EXPECT_EQ(p.bilinearColor(0.375f, 0.75f, 0).red, 0.4375f);
    // y = 0.375 -> fy = 0.25 between 0.25 and 0.4375.
    EXPECT_EQ(p.bilinearColor(0.375f, 0.375f, 0).red, 0.296875f);
    // Corners clamp: x = 0 reads column 0 for both points, x = 1 column 1.
    EXPECT_EQ(p.bilinearColor(0.0f, 0.0f, 0).red, 0.0f);
    EXPECT_EQ(p.bilinearColor(1.0f, 0.0f, 0).red, 1.0f);
    EXPECT_EQ(p.bilinearColor(7.0f, -3.0f, 0).red, 1.0f);
    EXPECT_EQ(p.bilinearColor(1.0f, 1.0f, 0).red, 0.25f);
    // NaN counts as 0.
    EXPECT_EQ(p.bilinearColor(NAN, NAN, 0).red, 0.0f);
    EXPECT_EQ(p.bilinearColor(NAN, 1.0f, 0).red, 0.5f);
}

TEST(PyramidReduce, LinearRampReducesToTheWeightedCentres) {
    // 8 x 8 floats, red = column, green = row. Level 1 (4 x 4) samples level 0
    // at the pixel centres 2j-2 .. 2j+3 (clamped at the edges); with weights
    // 1/4, 4, 16, 16, 4, 1/4 per axis and the corners left out:
    //   j = 1: columns 0..5 -> (0.25*100*2 + 40*101.25) / 1640 = 4100 / 1640 = 2.5
    //   j = 2: columns 2..7 -> 7380 / 1640 = 4.5
    //   j = 0: columns 0,0,0,1,2,3 -> (0.5*24 + 40*24.75) = 1002
    //   j = 3: columns 4,5,6,7,7,7 -> (0.5*256 + 40*258.75) = 10478
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 8, 8, kStorageFloat4, kEdgeClamp));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) setFloat4(p, 0, x, y, static_cast<float>(x), static_cast<float>(y), 0.5f, 1.0f);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0) reducePyramidLevel(p, 0, PixelRect{0, 0, 4, 4});
        else reducePyramidLevelReference(p, 0, PixelRect{0, 0, 4, 4});
        const float expected[4] = {1002.0f * 0.0006097561f, 2.5f, 4.5f, 10478.0f * 0.0006097561f};
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                const EffectColor c = p.nearestColor(j, i, 1);
                EXPECT_EQ(c.red, expected[j]) << pass << " " << j;
                EXPECT_EQ(c.green, expected[i]) << pass << " " << i;
                EXPECT_EQ(c.blue, 0.5f);  // 820 / 1640
                EXPECT_EQ(c.coverage, 1.0f);
            }
        }
    }
}

TEST(PyramidReduce, FlatLevelGivesItsColourOrOneUnitLess) {
    for (int type : {kStoragePacked8, kStorageRgba16}) {
        Pyramid p;
        ASSERT_TRUE(p.create(systemMemoryService(), 40, 24, type, kEdgeClamp));
        const uint32_t values[4] = {200, 77, 1, 255};
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 40; ++x) {
                uint8_t* px = p.pixelInside(0, x, y);
                if (type == kStoragePacked8) storeU32(px, packChannels8(values[0], values[1], values[2], values[3]));
                else for (int c = 0; c < 4; ++c) storeU16(px + 2 * c, static_cast<uint16_t>(c == 3 ? 32768 : values[c] * 128));
            }
        }
        buildPyramidLevels(p, 0);
        EXPECT_EQ(p.buildState, kBuildFull);
        const uint8_t* px = p.pixelInside(1, 7, 5);
        for (int c = 0; c < 4; ++c) {
            const uint32_t v = type == kStoragePacked8 ? (loadU32(px) >> (24 - 8 * c)) & 0xFF : loadU16(px + 2 * c);
            const uint32_t want = type == kStoragePacked8 ? values[c] : (c == 3 ? 32768 : values[c] * 128);
            EXPECT_TRUE(v == want || v + 1 == want) << type << " " << c << " " << v;
            // Full scale is exact: 1640 * (1/1640) rounds to 1.
            if (want == 255 || want == 32768) {
                EXPECT_EQ(v, want);
            }
        }
    }
}

TEST(PyramidReduce, ClampsColourAndCoverage) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 4, 4, kStorageFloat4, kEdgeClamp));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) setFloat4(p, 0, x, y, 100000.0f, -3.0f, 70000.0f, 3.0f);
    buildPyramidLevels(p, 0);
    const EffectColor c = p.nearestColor(0, 0, 1);
    EXPECT_EQ(c.red, 65535.0f);
    EXPECT_EQ(c.green, 0.0f);
    EXPECT_EQ(c.blue, 65535.0f);
    EXPECT_EQ(c.coverage, 1.0f);
}

TEST(PyramidReduce, FastPathMatchesTheReferenceAcrossTilesAndOddSizesWithAndWithoutVectors) {
    for (const SimdLevel level : {SimdLevel::scalar, SimdLevel::sse2})
    for (int type : {kStoragePacked8, kStorageRgba16, kStorageFloat4}) {
        requestSimdLevel(level);
        Pyramid fast, plain;
        ASSERT_TRUE(fast.create(systemMemoryService(), 1031, 537, type, kEdgeClamp));
        ASSERT_TRUE(plain.create(systemMemoryService(), 1031, 537, type, kEdgeClamp));
        fillRandom(fast, 11u + type);
        fillRandom(plain, 11u + type);
        buildPyramidLevels(fast, 0);
        for (int n = 0; n < plain.lmax; ++n) reducePyramidLevelReference(plain, n, PixelRect{0, 0, plain.height[n + 1], plain.width[n + 1]});
        for (int n = 1; n <= plain.lmax; ++n)
            EXPECT_TRUE(levelsEqual(fast, plain, n)) << simdLevelName(level) << ", type " << type << " level " << n;
    }
    requestSimdLevel(SimdLevel::avx512);
}

TEST(PyramidBuild, ResultDoesNotDependOnTheJobCount) {
    for (int type : {kStoragePacked8, kStorageFloat4}) {
        for (int jobs : {4, 3, 64}) {
            Pyramid one, many;
            // Taller than wide at level 0 so that bands run along rows there.
            ASSERT_TRUE(one.create(systemMemoryService(), 300, 700, type, kEdgeClamp));
            ASSERT_TRUE(many.create(systemMemoryService(), 300, 700, type, kEdgeClamp));
            fillRandom(one, 5);
            fillRandom(many, 5);
            buildPyramidLevels(one, 0, 1);
            buildPyramidLevels(many, 0, jobs);
            for (int n = 1; n <= one.lmax; ++n) EXPECT_TRUE(levelsEqual(one, many, n)) << jobs << " " << n;
        }
    }
}

TEST(PyramidBuild, LevelsReducedABandOfRowsAtATimeEqualTheWholeBuild) {
    // Bands that start and end at odd rows and inside tiles, some past the level.
    for (int type : {kStoragePacked8, kStorageRgba16}) {
        Pyramid whole, banded;
        ASSERT_TRUE(whole.create(systemMemoryService(), 1300, 1100, type, kEdgeClamp));
        ASSERT_TRUE(banded.create(systemMemoryService(), 1300, 1100, type, kEdgeClamp));
        fillRandom(whole, 9);
        fillRandom(banded, 9);
        buildPyramidLevels(whole, 0, 3);
        for (int n = 0; n < banded.lmax; ++n) {
            for (int row = 0; row < banded.height[n + 1]; row += 77) {
                ASSERT_TRUE(reducePyramidRows(banded, n, row, row + 77, 2));
            }
        }
        for (int n = 1; n <= whole.lmax; ++n) EXPECT_TRUE(levelsEqual(whole, banded, n)) << type << " " << n;
        EXPECT_FALSE(reducePyramidRows(banded, banded.lmax, 0, 1));
    }
}

TEST(PyramidBuild, EdgeModeMinusOneAndOtherTypesAreNotBuilt) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 8, 8, kStorageFloat4, kEdgeNoLevels));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) setFloat4(p, 0, x, y, 1, 1, 1, 1);
    buildPyramidLevels(p, 0);
    EXPECT_EQ(p.nearestColor(0, 0, 1).red, 0.0f);
    EXPECT_EQ(p.buildState, kBuildCreated);

    Pyramid grey;
    ASSERT_TRUE(grey.create(systemMemoryService(), 8, 8, kStorageGrey8, kEdgeClamp));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) *grey.pixelInside(0, x, y) = 90;
    buildPyramidLevels(grey, 0);
    EXPECT_EQ(*grey.pixelInside(1, 0, 0), 0);
    reducePyramidLevel(grey, 0, PixelRect{0, 0, 4, 4});
    EXPECT_EQ(*grey.pixelInside(1, 0, 0), 0);
}

TEST(PyramidRefresh, ChangesOnlyTheWidenedRectangleOfEachLevel) {
    auto fill = [](Pyramid& p, float value) {
        for (int y = 0; y < p.height[0]; ++y)
            for (int x = 0; x < p.width[0]; ++x) setFloat4(p, 0, x, y, value, value, value, 1);
    };
    Pyramid p, changed;
    ASSERT_TRUE(p.create(systemMemoryService(), 64, 64, kStorageFloat4, kEdgeClamp));
    ASSERT_TRUE(changed.create(systemMemoryService(), 64, 64, kStorageFloat4, kEdgeClamp));
    fill(p, 0.25f);
    buildPyramidLevels(p, 0);
    fill(changed, 0.75f);
    buildPyramidLevels(changed, 0);

    // Level 0 rectangle (top 10, left 20, bottom 14, right 30) becomes, on
    // level 1, left 20/2-2 = 8, top 10/2-2 = 3, right 30/2+2 = 17, bottom 14/2+2 = 9.
    fill(p, 0.75f);
    refreshPyramid(p, PixelRect{10, 20, 14, 30}, 0, 1);
    EXPECT_EQ(p.buildState, kBuildRefreshed);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool inside = x >= 8 && x < 17 && y >= 3 && y < 9;
            const float want = inside ? changed.nearestColor(x, y, 1).red : 0.25f;
            EXPECT_EQ(p.nearestColor(x, y, 1).red, want) << x << "," << y;
        }
    }
    // Up to level 1 only: level 2 untouched.
    EXPECT_EQ(p.nearestColor(5, 2, 2).red, 0.25f);
}

TEST(PyramidRefresh, CornerRectangleStaysClampedAtZeroOnEveryLevel) {
    Pyramid p, changed;
    ASSERT_TRUE(p.create(systemMemoryService(), 64, 64, kStorageFloat4, kEdgeClamp));
    ASSERT_TRUE(changed.create(systemMemoryService(), 64, 64, kStorageFloat4, kEdgeClamp));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            setFloat4(p, 0, x, y, 0.25f, 0, 0, 1);
            setFloat4(changed, 0, x, y, x < 4 && y < 4 ? 1.0f : 0.25f, 0, 0, 1);
        }
    buildPyramidLevels(p, 0);
    buildPyramidLevels(changed, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) setFloat4(p, 0, x, y, 1.0f, 0, 0, 1);
    // (0, 0, 4, 4) gives (0, 0, 4, 4) on every level: 0/2-2 clamps to 0, 4/2+2 = 4.
    refreshPyramid(p, PixelRect{0, 0, 4, 4}, 0, kPyramidLevels);
    for (int n = 1; n <= p.lmax; ++n) {
        const int side = p.width[n] < 4 ? p.width[n] : 4;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) EXPECT_EQ(p.nearestColor(x, y, n).red, changed.nearestColor(x, y, n).red) << n;
    }
    // Beyond the rectangle on level 1 the old value stays.
    EXPECT_EQ(p.nearestColor(4, 0, 1).red, 0.25f);
}

TEST(PyramidRefresh, StartingAtOrAboveLmaxDoesNothing) {
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 16, 16, kStorageFloat4, kEdgeClamp));
    buildPyramidLevels(p, 0);
    setFloat4(p, 0, 0, 0, 1, 1, 1, 1);
    refreshPyramid(p, PixelRect{0, 0, 16, 16}, p.lmax, p.lmax + 3);
    EXPECT_EQ(p.buildState, kBuildFull);
    refreshPyramid(p, PixelRect{0, 0, 16, 16}, 99, 100);
    EXPECT_EQ(p.buildState, kBuildFull);
    // A negative start counts as level 0.
    refreshPyramid(p, PixelRect{0, 0, 16, 16}, -4, 1);
    EXPECT_GT(p.nearestColor(0, 0, 1).red, 0.0f);
}
