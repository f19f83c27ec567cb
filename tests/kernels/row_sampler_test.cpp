// The row sampler against the per-pixel samplers: the same bits for every
// level, fraction and position of a row, on images that span several tiles,
// in every edge mode, for positions visited out of order (so that the shared
// sums grow both ways) and on rows at and beyond the image's edges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "kernels/pyramid_pixels.h"
#include "kernels/row_sampler.h"
#include "kernels/samplers.h"
#include "kernels/speed_settings.h"

namespace {

struct Random {
    uint32_t state = 2463534242u;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float unit() { return float(next() >> 8) * (1.0f / 16777216.0f); }
};

// Noise, with a block of black and full-scale checkerboard, the pattern that
// loads the kernels' negative lobes hardest.
void fillLevel0(Pyramid& p, Random& random) {
    for (int y = 0; y < p.height[0]; ++y) {
        for (int x = 0; x < p.width[0]; ++x) {
            uint32_t v[4];
            for (uint32_t& c : v) c = (x < 64 && y < 64) ? (((x ^ y) & 1) ? 255u : 0u) : random.next() & 0xFFu;
            uint8_t* px = p.pixelInside(0, x, y);
            if (p.storageType == kStoragePacked8) storeU32(px, packChannels8(v[0], v[1], v[2], v[3]));
            else *px = uint8_t(v[0]);
        }
    }
    // Grey images keep their own levels (the reduce serves the four-channel
    // types), so every level gets noise of its own.
    if (p.storageType == kStorageGrey8)
        for (int n = 1; n <= p.lmax; ++n)
            for (int y = 0; y < p.height[n]; ++y)
                for (int x = 0; x < p.width[n]; ++x) *p.pixelInside(n, x, y) = uint8_t(random.next());
    else
        buildPyramidLevels(p, 0);
}

bool same(const EffectColor& a, const EffectColor& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(RowSampler, GivesThePerPixelSamplersBits) {
    WeightTables tables;
    buildWeightTables(tables);
    Random random;
    RowSampler sampler;
    for (const int type : {kStoragePacked8, kStorageGrey8}) {
        for (const int edge : {kEdgeClamp, kEdgeWrap, kEdgeWrapHorizontal}) {
            Pyramid p;
            ASSERT_TRUE(p.create(systemMemoryService(), 1100, 530, type, edge));
            p.weights = &tables;
            fillLevel0(p, random);
            const float rows[] = {0.0f, 1.0f, -0.25f, 1.5f, 0.4991f, 0.97f, 0.013f, 0.5f};
            for (const float y : rows) {
                // Both ways of weighting the taps across.
                requestSimdLevel((random.next() & 1) ? SimdLevel::sse2 : supportedSimdLevel());
                sampler.start(p, y);
                // A run of lanes as the pipeline asks for them.
                int32_t levels[37];
                float fractions[37], xs[37], run[4][37];
                for (int i = 0; i < 37; ++i) {
                    levels[i] = int32_t(random.next() % uint32_t(p.lmax + 1));
                    fractions[i] = (i % 3 == 0) ? 0.0f : random.unit();
                    xs[i] = random.unit();
                }
                sampler.sampleFastRun(37, levels, fractions, xs, run[0], run[1], run[2], run[3]);
                for (int i = 0; i < 37; ++i) {
                    const EffectColor expected = sampleFast(p, levels[i], fractions[i], xs[i], y);
                    const EffectColor got{run[0][i], run[1][i], run[2][i], run[3][i]};
                    ASSERT_TRUE(same(got, expected)) << "run lane " << i << " type " << type << " edge " << edge;
                }
                for (int i = 0; i < 1500; ++i) {
                    // Mostly inside, sometimes on or past an edge.
                    const uint32_t pick = random.next() % 16;
                    const float x = pick == 0 ? 0.0f : pick == 1 ? 1.0f : pick == 2 ? -0.1f : random.unit();
                    const int level = int(random.next() % uint32_t(p.lmax + 2)) - 1;
                    const float fraction = (random.next() & 3) == 0 ? 0.0f : random.unit();
                    const EffectColor fast = sampler.sampleFast(level, fraction, x);
                    ASSERT_TRUE(same(fast, sampleFast(p, level, fraction, x, y)))
                        << "type " << type << " edge " << edge << " y " << y << " x " << x << " level " << level;
                    const EffectColor high = sampler.sampleHighQuality(level, fraction, x);
                    ASSERT_TRUE(same(high, sampleHighQuality(p, level, fraction, x, y)))
                        << "type " << type << " edge " << edge << " y " << y << " x " << x << " level " << level;
                }
            }
        }
    }
    requestSimdLevel(supportedSimdLevel());
}

// Storages whose sums round are answered by the per-pixel samplers.
TEST(RowSampler, SixteenBitStorageAnswersThroughThePerPixelSampler) {
    WeightTables tables;
    buildWeightTables(tables);
    Pyramid p;
    ASSERT_TRUE(p.create(systemMemoryService(), 90, 70, kStorageRgba16, kEdgeClamp));
    p.weights = &tables;
    Random random;
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 90; ++x)
            for (int c = 0; c < 4; ++c) storeU16(p.pixelInside(0, x, y) + 2 * c, uint16_t(random.next() % 32769));
    buildPyramidLevels(p, 0);
    RowSampler sampler;
    sampler.start(p, 0.3f);
    for (int i = 0; i < 50; ++i) {
        const float x = random.unit();
        ASSERT_TRUE(same(sampler.sampleFast(1, 0.5f, x), sampleFast(p, 1, 0.5f, x, 0.3f)));
        ASSERT_TRUE(same(sampler.sampleHighQuality(2, 0.25f, x), sampleHighQuality(p, 2, 0.25f, x, 0.3f)));
    }
}

}  // namespace
