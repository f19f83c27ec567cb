// The row sampler against the per-pixel samplers' scalar reference: the same
// bits at every vector level, for every pyramid level, fraction and position
// of a row, on images of odd size that span several tiles, for the 8-bit,
// 16-bit and float storages, in every edge mode, for positions visited out of
// order (so that the shared sums grow both ways) and on rows at and beyond
// the image's edges; and down the rows of a pass, where the 16-bit and float
// row sums carry from row to row.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

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
// loads the kernels' negative lobes hardest. 16-bit noise spans the whole
// 16-bit range (beyond full scale, where only exact sums agree), float noise
// both signs and values past full scale, where sums round.
void fillLevel0(Pyramid& p, Random& random) {
    for (int y = 0; y < p.height[0]; ++y) {
        for (int x = 0; x < p.width[0]; ++x) {
            const bool checker = x < 64 && y < 64;
            const bool on = ((x ^ y) & 1) != 0;
            uint8_t* px = p.pixelInside(0, x, y);
            if (p.storageType == kStorageFloat4) {
                float v[4];
                for (float& c : v) c = checker ? (on ? 1.0f : 0.0f) : 4.0f * random.unit() - 1.0f;
                std::memcpy(px, v, sizeof v);
            } else if (p.storageType == kStorageRgba16) {
                for (int c = 0; c < 4; ++c) storeU16(px + 2 * c, uint16_t(checker ? (on ? 32768u : 0u) : random.next()));
            } else {
                uint32_t v[4];
                for (uint32_t& c : v) c = checker ? (on ? 255u : 0u) : random.next() & 0xFFu;
                if (p.storageType == kStoragePacked8) storeU32(px, packChannels8(v[0], v[1], v[2], v[3]));
                else *px = uint8_t(v[0]);
            }
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

struct Sample {
    int level;
    float fraction, x;
    EffectColor fast, high;  // the scalar per-pixel samplers' results
};

TEST(RowSampler, GivesTheScalarSamplersBitsAtEveryVectorLevel) {
    WeightTables tables;
    buildWeightTables(tables);
    Random random;
    RowSampler sampler;
    const SimdLevel best = supportedSimdLevel();
    for (const int type : {kStoragePacked8, kStorageGrey8, kStorageRgba16, kStorageFloat4}) {
        for (const int edge : {kEdgeClamp, kEdgeWrap, kEdgeWrapHorizontal}) {
            Pyramid p;
            ASSERT_TRUE(p.create(systemMemoryService(), 1101, 531, type, edge));
            p.weights = &tables;
            fillLevel0(p, random);
            const float rows[] = {0.0f, 1.0f, -0.25f, 1.5f, 0.4991f, 0.97f, 0.013f, 0.5f};
            for (const float y : rows) {
                // A run of lanes as the pipeline asks for them, then single
                // samples: mostly inside, sometimes on or past an edge.
                constexpr int kRun = 37;
                std::vector<Sample> samples;
                for (int i = 0; i < 700; ++i) {
                    const uint32_t pick = random.next() % 16;
                    Sample s;
                    s.x = i < kRun || pick > 2 ? random.unit() : pick == 0 ? 0.0f : pick == 1 ? 1.0f : -0.1f;
                    s.level = i < kRun ? int(random.next() % uint32_t(p.lmax + 1))
                                       : int(random.next() % uint32_t(p.lmax + 2)) - 1;
                    s.fraction = (random.next() & 3) == 0 ? 0.0f : random.unit();
                    samples.push_back(s);
                }
                requestSimdLevel(SimdLevel::scalar);
                for (Sample& s : samples) {
                    s.fast = sampleFast(p, s.level, s.fraction, s.x, y);
                    s.high = sampleHighQuality(p, s.level, s.fraction, s.x, y);
                }
                for (const SimdLevel level : {SimdLevel::scalar, SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
                    if (level > best) continue;
                    requestSimdLevel(level);
                    sampler.start(p, y);
                    int32_t levels[kRun];
                    float fractions[kRun], xs[kRun], run[4][kRun];
                    for (int i = 0; i < kRun; ++i) {
                        levels[i] = samples[i].level;
                        fractions[i] = samples[i].fraction;
                        xs[i] = samples[i].x;
                    }
                    sampler.sampleFastRun(kRun, levels, fractions, xs, run[0], run[1], run[2], run[3]);
                    for (int i = 0; i < kRun; ++i) {
                        const EffectColor got{run[0][i], run[1][i], run[2][i], run[3][i]};
                        ASSERT_TRUE(same(got, samples[i].fast)) << simdLevelName(level) << " run lane " << i << " type "
                                                                << type << " edge " << edge << " y " << y;
                    }
                    sampler.sampleHighQualityRun(kRun, levels, fractions, xs, run[0], run[1], run[2], run[3]);
                    for (int i = 0; i < kRun; ++i) {
                        const EffectColor got{run[0][i], run[1][i], run[2][i], run[3][i]};
                        ASSERT_TRUE(same(got, samples[i].high)) << simdLevelName(level) << " high-quality run lane " << i
                                                                << " type " << type << " edge " << edge << " y " << y;
                    }
                    for (size_t i = kRun; i < samples.size(); ++i) {
                        const Sample& s = samples[i];
                        ASSERT_TRUE(same(sampler.sampleFast(s.level, s.fraction, s.x), s.fast))
                            << simdLevelName(level) << " type " << type << " edge " << edge << " y " << y << " x "
                            << s.x << " level " << s.level;
                        ASSERT_TRUE(same(sampler.sampleHighQuality(s.level, s.fraction, s.x), s.high))
                            << simdLevelName(level) << " type " << type << " edge " << edge << " y " << y << " x "
                            << s.x << " level " << s.level;
                    }
                }
            }
        }
    }
    requestSimdLevel(supportedSimdLevel());
}

// Rows of one pass under one source serial, as the pipeline renders them:
// the same columns on every row, levels that change along the row and from
// row to row, down the whole image and then back up a stretch; the carried
// row sums must give the scalar samplers' bits at every level and position
// (tile edges, level edges, wrapped rows on small levels). A pyramid written
// again in place under a new serial gives the new pixels' samples.
TEST(RowSampler, CarriesRowSumsDownAPassExactly) {
    WeightTables tables;
    buildWeightTables(tables);
    Random random;
    const SimdLevel best = supportedSimdLevel();
    constexpr int kWidth = 519, kHeight = 523;
    for (const int type : {kStorageRgba16, kStorageFloat4}) {
        for (const int edge : {kEdgeClamp, kEdgeWrap, kEdgeWrapHorizontal}) {
            Pyramid p;
            ASSERT_TRUE(p.create(systemMemoryService(), kWidth, kHeight, type, edge));
            p.weights = &tables;
            for (int content = 0; content < 2; ++content) {
                fillLevel0(p, random);
                std::vector<int> rows;
                for (int y = 0; y < kHeight; y += content == 0 ? 1 : 3) rows.push_back(y);
                for (int y = 300; y > 280; --y) rows.push_back(y);
                // One sampler per vector level, each under a serial of its
                // own; a sampler keeps its level's kernels from its start.
                std::vector<SimdLevel> levels;
                for (const SimdLevel level : {SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512})
                    if (level <= best) levels.push_back(level);
                std::vector<RowSampler> samplers(levels.size());
                std::vector<uint64_t> serials;
                for (size_t l = 0; l < levels.size(); ++l) serials.push_back(newSourceSerial());
                for (const int y : rows) {
                    const float v = (2.0f * float(y) + 1.0f) / (2.0f * kHeight);
                    for (size_t l = 0; l < levels.size(); ++l) {
                        requestSimdLevel(levels[l]);
                        samplers[l].start(p, v, serials[l]);
                    }
                    requestSimdLevel(SimdLevel::scalar);
                    for (int x = 0; x < kWidth; x += x < 24 || x > kWidth - 24 ? 1 : 5) {
                        const float u = (2.0f * float(x) + 1.0f) / (2.0f * kWidth);
                        const int n = (x / 40 + y / 61) % (p.lmax + 1);
                        const float fraction = (x + y) % 4 == 0 ? 0.0f : float((x * 7 + y) % 97) / 97.0f;
                        const EffectColor fast = sampleFast(p, n, fraction, u, v);
                        const EffectColor high = sampleHighQuality(p, n, fraction, u, v);
                        for (size_t l = 0; l < levels.size(); ++l) {
                            ASSERT_TRUE(same(samplers[l].sampleFast(n, fraction, u), fast))
                                << simdLevelName(levels[l]) << " type " << type << " edge " << edge << " content "
                                << content << " x " << x << " y " << y << " level " << n;
                            ASSERT_TRUE(same(samplers[l].sampleHighQuality(n, fraction, u), high))
                                << simdLevelName(levels[l]) << " type " << type << " edge " << edge << " content "
                                << content << " x " << x << " y " << y << " level " << n;
                        }
                    }
                }
            }
        }
    }
    requestSimdLevel(supportedSimdLevel());
}

}  // namespace
