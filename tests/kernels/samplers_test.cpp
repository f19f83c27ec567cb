// Pyramid samplers: weight tables, level kernels, edge modes and the two samplers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

#include "kernels/pyramid_pixels.h"
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

// Writes every pixel of every level with `value(level, x, y, channel)`.
void fillAllLevels(Pyramid& p, const std::function<uint32_t(int, int, int, int)>& value) {
    for (int n = 0; n <= p.lmax; ++n) {
        for (int y = 0; y < p.height[n]; ++y) {
            for (int x = 0; x < p.width[n]; ++x) {
                uint8_t* px = p.pixelInside(n, x, y);
                switch (p.storageType) {
                case kStorageGrey8: *px = static_cast<uint8_t>(value(n, x, y, 0)); break;
                case kStoragePacked8:
                    storeU32(px, packChannels8(value(n, x, y, 0), value(n, x, y, 1), value(n, x, y, 2), value(n, x, y, 3)));
                    break;
                case kStorageRgba16:
                    for (int c = 0; c < 4; ++c) storeU16(px + 2 * c, static_cast<uint16_t>(value(n, x, y, c)));
                    break;
                case kStorageFloat4:
                    for (int c = 0; c < 4; ++c) storeF32(px + 4 * c, static_cast<float>(value(n, x, y, c)) / 1024.0f);
                    break;
                default: break;
                }
            }
        }
    }
}

uint32_t noise(int n, int x, int y, int c) {
    uint32_t h = static_cast<uint32_t>(n) * 73856093u ^ static_cast<uint32_t>(x) * 19349663u ^
                 static_cast<uint32_t>(y) * 83492791u ^ static_cast<uint32_t>(c) * 2654435761u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

void makePyramid(Pyramid& p, int w, int h, int type, int edge = kEdgeClamp) {
    ASSERT_TRUE(p.create(systemMemoryService(), w, h, type, edge));
    p.weights = &tables();
}

bool sameColor(const EffectColor& a, const EffectColor& b) {
    return std::memcmp(&a, &b, sizeof(EffectColor)) == 0;
}

// The Lanczos-2 window written out again for the table check.
double windowK(double t) {
    if (t == 0) return 1;
    if (t <= -2 || t >= 2) return 0;
    const double pt = 3.141592653 * t;
    return std::sin(pt) / pt * (std::sin(pt * 0.5) / (pt * 0.5));
}

}  // namespace

TEST(WeightTables, LanczosWindowValues) {
    EXPECT_EQ(lanczos2(0.0), 1.0);
    EXPECT_EQ(lanczos2(2.0), 0.0);
    EXPECT_EQ(lanczos2(-2.0), 0.0);
    EXPECT_EQ(lanczos2(2.5), 0.0);
    // K(0.5) = (2 / pi) * (sqrt(2)/2 / (pi/4)) = 4 sqrt(2) / pi^2.
    EXPECT_NEAR(lanczos2(0.5), 4.0 * std::sqrt(2.0) / (3.141592653 * 3.141592653), 1e-9);
    EXPECT_NEAR(lanczos2(1.0), 0.0, 1e-9);  // sin(pi) of the rounded pi is not quite 0
    EXPECT_EQ(lanczos2(-0.3), lanczos2(0.3));
}

TEST(WeightTables, IntegerPhaseRowsSumExactlyToTheirScale) {
    const WeightTables& t = tables();
    for (int p = 0; p < kPhases; ++p) {
        int32_t s5a = 0, s5b = 0, s7a = 0, s7b = 0;
        for (int k = 0; k < 5; ++k) {
            s5a += t.taps5Scaled2048[k][p];
            s5b += t.taps5Scaled32768[k][p];
        }
        for (int k = 0; k < 7; ++k) {
            s7a += t.taps7Scaled2048[k][p];
            s7b += t.taps7Scaled32768[k][p];
        }
        EXPECT_EQ(s5a, 2048) << p;
        EXPECT_EQ(s5b, 32768) << p;
        EXPECT_EQ(s7a, 2048) << p;
        EXPECT_EQ(s7b, 32768) << p;
        float f5 = 0, f7 = 0;
        for (int k = 0; k < 5; ++k) f5 += t.taps5[k][p];
        for (int k = 0; k < 7; ++k) f7 += t.taps7[k][p];
        EXPECT_NEAR(f5, 1.0f, 1e-6f) << p;
        EXPECT_NEAR(f7, 1.0f, 1e-6f) << p;
    }
    // The second float copy is identical to the first.
    EXPECT_EQ(std::memcmp(t.taps5, t.taps5Copy, sizeof(t.taps5)), 0);
}

TEST(WeightTables, ValuesFollowTheBoxAveragedWindow) {
    const WeightTables& t = tables();
    // Phase 0, tap 0: t = -2 - j/21, all at or beyond -2, so exactly 0;
    // phase 127, tap 4: t = 127/128 + 2 - j/21 >= 2.08, exactly 0 as well.
    EXPECT_EQ(t.taps5[0][0], 0.0f);
    EXPECT_EQ(t.taps5Scaled2048[0][0], 0);
    EXPECT_EQ(t.taps5Scaled32768[0][0], 0);
    EXPECT_EQ(t.taps7Scaled2048[0][0], 0);
    EXPECT_EQ(t.taps7[0][0], 0.0f);
    EXPECT_EQ(t.taps5Scaled2048[4][127], 0);
    // Phase 0 sits between the base pixel and the one before it (taps 2 and 3).
    EXPECT_GT(t.taps5[2][0], 0.45f);
    EXPECT_GT(t.taps5[3][0], 0.45f);
    // Phase 64 is the base pixel's centre, and the box still weights both neighbours.
    EXPECT_GT(t.taps5[2][64], 0.8f);
    EXPECT_GT(t.taps5[1][64], 0.05f);
    EXPECT_GT(t.taps5[3][64], 0.05f);

    for (int p : {0, 37, 64, 101, 127}) {
        float raw[5];
        for (int k = 0; k < 5; ++k) {
            float sum = 0;
            for (int j = 0; j < 20; ++j) {
                const float arg = static_cast<float>(p) / 128.0f - 2.0f + static_cast<float>(k) - static_cast<float>(j) / 21.0f;
                sum = static_cast<float>(sum + windowK(arg));
            }
            raw[k] = sum;
        }
        const float total = raw[0] + raw[1] + raw[2] + raw[3] + raw[4];
        float w[5];
        for (int k = 0; k < 4; ++k) w[k] = raw[k] / total;
        w[4] = 1.0f - (w[0] + w[1] + w[2] + w[3]);
        for (int k = 0; k < 5; ++k) EXPECT_EQ(t.taps5[k][p], w[k]) << p << " " << k;
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(t.taps5Scaled2048[k][p], static_cast<int32_t>(std::trunc(w[k] * 2048.0f))) << p << " " << k;
            EXPECT_EQ(t.taps5Scaled32768[k][p], static_cast<int32_t>(std::trunc(w[k] * 32768.0f))) << p << " " << k;
        }
        // 7 taps: the 5-tap kernel smoothed by 1/4, 1/2, 1/4; tap 3 takes the rest.
        const float s[7] = {w[0] / 4, w[0] / 2 + w[1] / 4, w[1] / 2 + w[0] / 4 + w[2] / 4, w[2] / 2 + w[1] / 4 + w[3] / 4,
                            w[3] / 2 + w[2] / 4 + w[4] / 4, w[4] / 2 + w[3] / 4, w[4] / 4};
        float sum7 = 0;
        for (float v : s) sum7 += v;
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(t.taps7[k][p], s[k] / sum7) << p << " " << k;
            if (k == 3) continue;
            EXPECT_EQ(t.taps7Scaled2048[k][p], static_cast<int32_t>(std::trunc(s[k] * 2048.0f))) << p << " " << k;
            EXPECT_EQ(t.taps7Scaled32768[k][p], static_cast<int32_t>(std::trunc(s[k] * 32768.0f))) << p << " " << k;
        }
    }
}

TEST(WeightTables, BuildingAgainGivesTheSameBlock) {
    WeightTables again;
    std::memset(&again, 0x5A, sizeof(again));
    buildWeightTables(again);
    EXPECT_EQ(std::memcmp(&again, &tables(), sizeof(WeightTables)), 0);
}

TEST(LevelKernels, FlatImagesReturnTheirOwnValueEverywhere) {
    Pyramid packed, wide, grey;
    makePyramid(packed, 40, 30, kStoragePacked8);
    makePyramid(wide, 40, 30, kStorageRgba16, kEdgeWrap);
    makePyramid(grey, 40, 30, kStorageGrey8);
    fillAllLevels(packed, [](int, int, int, int c) { return uint32_t(c == 0 ? 200 : c == 1 ? 100 : c == 2 ? 50 : 255); });
    fillAllLevels(wide, [](int, int, int, int c) { return uint32_t(c == 3 ? 32768 : 12345); });
    fillAllLevels(grey, [](int, int, int, int) { return 77u; });
    for (float x : {-0.5f, 0.0f, 3.3f, 17.77f, 38.9f, 39.5f}) {
        for (float y : {-0.5f, 1.25f, 15.5f, 29.5f}) {
            const EffectColor a = levelKernel5Packed8(packed, 0, x, y);
            EXPECT_EQ(a.red, 200.0f);
            EXPECT_EQ(a.green, 100.0f);
            EXPECT_EQ(a.blue, 50.0f);
            EXPECT_EQ(a.coverage, 255.0f);
            EXPECT_EQ(levelKernel7Packed8(packed, 0, x, y).green, 100.0f);
            EXPECT_EQ(levelKernel5Rgba16(wide, 0, x, y).red, 12345.0f);
            EXPECT_EQ(levelKernel7Rgba16(wide, 0, x, y).coverage, 32768.0f);
            EXPECT_EQ(levelKernel5Grey8(grey, 0, x, y), 77.0f);
        }
    }
}

TEST(LevelKernels, PixelCentreAtPhase64WeightsTheNeighbours) {
    const WeightTables& t = tables();
    Pyramid p;
    makePyramid(p, 11, 11, kStorageFloat4);
    // One bright pixel; the kernel at x' = 5, y' = 5 (u = 5.5, phase 64, base 5).
    // Column c carries tap k = e + 2 - c: (5,5) tap 2, (6,5) tap 1, (4,5) tap 3.
    const int columns[3] = {5, 6, 4};
    const int taps[3] = {2, 1, 3};
    for (int i = 0; i < 3; ++i) {
        fillAllLevels(p, [&](int, int x, int y, int c) { return uint32_t(x == columns[i] && y == 5 && c == 0 ? 1024 : 0); });
        const float w = t.taps5Copy[taps[i]][64];
        const float h = t.taps5Copy[2][64];
        EXPECT_EQ(levelKernel5Float4(p, 0, 5.0f, 5.0f).red, w * h) << i;
        EXPECT_GT(levelKernel5Float4(p, 0, 5.0f, 5.0f).red, 0.0f) << i;
    }

    Pyramid packed;
    makePyramid(packed, 11, 11, kStoragePacked8);
    fillAllLevels(packed, [](int, int x, int y, int c) { return uint32_t(x == 6 && y == 4 && c == 0 ? 255 : 0); });
    // Row 4 is tap 3 vertically: (W1 * 255) * W3, scaled by 2^-22.
    const int64_t total = int64_t(t.taps5Scaled2048[1][64]) * 255 * t.taps5Scaled2048[3][64];
    EXPECT_EQ(levelKernel5Packed8(packed, 0, 5.0f, 5.0f).red, static_cast<float>(total) / 4194304.0f);

    Pyramid wide;
    makePyramid(wide, 11, 11, kStorageRgba16);
    fillAllLevels(wide, [](int, int x, int y, int c) { return uint32_t(x == 5 && y == 5 && c == 1 ? 1000 : 0); });
    // The row sum is divided by 32768 (toward zero) before the row weight.
    const int64_t row = int64_t(t.taps5Scaled32768[2][64]) * 1000 / 32768;
    EXPECT_EQ(levelKernel5Rgba16(wide, 0, 5.0f, 5.0f).green, static_cast<float>(row * t.taps5Scaled32768[2][64]) / 32768.0f);
}

TEST(LevelKernels, EdgeModesAtTheLeftAndRightEdges) {
    const WeightTables& t = tables();
    auto W = [&](int k) { return int64_t(t.taps5Scaled2048[k][0]); };  // x' = -0.5: u = 0, base 0, phase 0
    // Red = 10 * column of an 8 x 1 image; rows are all row 0, so the result is the row sum / 2048.
    const int64_t clamped = W(0) * 20 + W(1) * 10;                    // columns 2, 1, 0, 0, 0
    const int64_t wrapped = W(0) * 20 + W(1) * 10 + W(3) * 70 + W(4) * 60;  // columns 2, 1, 0, 7, 6
    for (int edge : {kEdgeClamp, kEdgeWrap, kEdgeWrapHorizontal}) {
        Pyramid p;
        makePyramid(p, 8, 1, kStoragePacked8, edge);
        fillAllLevels(p, [](int, int x, int, int c) { return uint32_t(c == 0 ? 10 * x : 0); });
        const float expected = static_cast<float>((edge == kEdgeClamp ? clamped : wrapped) * 2048) / 4194304.0f;
        EXPECT_EQ(levelKernel5Packed8(p, 0, -0.5f, 0.0f).red, expected) << edge;
        // x = 1 (x' = 7.5): base 8. Clamped: columns 7,7,7,7,6; wrapped: base 0 again.
        const int64_t right = (W(0) + W(1) + W(2) + W(3)) * 70 + W(4) * 60;
        const float expectedRight = static_cast<float>((edge == kEdgeClamp ? right : wrapped) * 2048) / 4194304.0f;
        EXPECT_EQ(levelKernel5Packed8(p, 0, 7.5f, 0.0f).red, expectedRight) << edge;
    }
    // Rows: red = 10 * row of an 8 x 8 image at y' = -0.5. Mode 1 wraps rows, mode 2 clamps them.
    for (int edge : {kEdgeClamp, kEdgeWrap, kEdgeWrapHorizontal}) {
        Pyramid p;
        makePyramid(p, 8, 8, kStoragePacked8, edge);
        fillAllLevels(p, [](int, int, int y, int c) { return uint32_t(c == 0 ? 10 * y : 0); });
        const float expected = static_cast<float>((edge == kEdgeWrap ? wrapped : clamped) * 2048) / 4194304.0f;
        EXPECT_EQ(levelKernel5Packed8(p, 0, 3.0f, -0.5f).red, expected) << edge;
    }
    // Seven taps clamped at x' = -0.5: columns 3, 2, 1, 0, 0, 0, 0.
    Pyramid p;
    makePyramid(p, 8, 1, kStoragePacked8);
    fillAllLevels(p, [](int, int x, int, int c) { return uint32_t(c == 0 ? 10 * x : 0); });
    auto V = [&](int k) { return int64_t(t.taps7Scaled2048[k][0]); };
    const int64_t seven = V(0) * 30 + V(1) * 20 + V(2) * 10;
    EXPECT_EQ(levelKernel7Packed8(p, 0, -0.5f, 0.0f).red, static_cast<float>(seven * 2048) / 4194304.0f);
}

TEST(LevelKernels, InTileFastPathAgreesWithThePerPixelPath) {
    for (int type : {kStoragePacked8, kStorageRgba16, kStorageFloat4}) {
        for (int edge : {kEdgeClamp, kEdgeWrap}) {
            Pyramid p;
            makePyramid(p, 600, 560, type, edge);
            fillAllLevels(p, [type](int n, int x, int y, int c) {
                const uint32_t h = noise(n, x, y, c);
                return type == kStoragePacked8 ? h & 0xFF : h % 32769;
            });
            int compared = 0;
            for (float y : {3.1f, 100.49f, 250.0f, 505.7f, 509.2f, 511.5f, 514.9f, 555.3f}) {
                for (float x : {2.0f, 2.51f, 47.03f, 300.75f, 504.6f, 506.4f, 508.0f, 512.2f, 590.1f, 595.6f}) {
                    for (int taps : {5, 7}) {
                        EffectColor a, b;
                        if (type == kStoragePacked8) {
                            a = taps == 5 ? levelKernel5Packed8(p, 0, x, y) : levelKernel7Packed8(p, 0, x, y);
                            b = taps == 5 ? levelKernel5Packed8(p, 0, x, y, KernelPath::perPixel)
                                          : levelKernel7Packed8(p, 0, x, y, KernelPath::perPixel);
                        } else if (type == kStorageRgba16) {
                            a = taps == 5 ? levelKernel5Rgba16(p, 0, x, y) : levelKernel7Rgba16(p, 0, x, y);
                            b = taps == 5 ? levelKernel5Rgba16(p, 0, x, y, KernelPath::perPixel)
                                          : levelKernel7Rgba16(p, 0, x, y, KernelPath::perPixel);
                        } else {
                            a = taps == 5 ? levelKernel5Float4(p, 0, x, y) : levelKernel7Float4(p, 0, x, y);
                            b = taps == 5 ? levelKernel5Float4(p, 0, x, y, KernelPath::perPixel)
                                          : levelKernel7Float4(p, 0, x, y, KernelPath::perPixel);
                        }
                        EXPECT_TRUE(sameColor(a, b)) << type << " " << edge << " " << x << "," << y << " " << taps;
                        ++compared;
                    }
                }
            }
            EXPECT_EQ(compared, 160);
        }
    }
    // Grey, level 1 as well.
    Pyramid g;
    makePyramid(g, 1200, 40, kStorageGrey8);
    fillAllLevels(g, [](int n, int x, int y, int) { return noise(n, x, y, 0) & 0xFF; });
    for (float x : {10.3f, 300.6f, 509.5f, 590.0f}) {
        EXPECT_EQ(levelKernel5Grey8(g, 1, x, 9.4f), levelKernel5Grey8(g, 1, x, 9.4f, KernelPath::perPixel)) << x;
    }
}

TEST(LevelKernels, RefuseOtherStorageTypesAndAbsentData) {
    Pyramid p;
    makePyramid(p, 8, 8, kStoragePacked8);
    fillAllLevels(p, [](int, int, int, int) { return 255u; });
    EXPECT_TRUE(sameColor(levelKernel5Rgba16(p, 0, 3, 3), EffectColor{}));
    EXPECT_TRUE(sameColor(levelKernel7Float4(p, 0, 3, 3), EffectColor{}));
    EXPECT_EQ(levelKernel5Grey8(p, 0, 3, 3), 0.0f);
    EXPECT_TRUE(sameColor(levelKernel5Packed8(p, p.lmax + 1, 3, 3), EffectColor{}));
    EXPECT_TRUE(sameColor(levelKernel5Packed8(p, -1, 3, 3), EffectColor{}));
    // Coordinates far outside or NaN are clamped, never read outside the level.
    EXPECT_EQ(levelKernel5Packed8(p, 0, 1e30f, -1e30f).red, 255.0f);
    EXPECT_EQ(levelKernel7Packed8(p, 0, NAN, NAN).red, 255.0f);
    p.weights = nullptr;
    EXPECT_TRUE(sameColor(levelKernel5Packed8(p, 0, 3, 3), EffectColor{}));
}

namespace {
EffectColor kernelAtNormalised(const Pyramid& p, int taps, int n, float x, float y) {
    const float lx = static_cast<float>(p.width[n]) * x - 0.5f;
    const float ly = static_cast<float>(p.height[n]) * y - 0.5f;
    switch (p.storageType) {
    case kStoragePacked8: return taps == 5 ? levelKernel5Packed8(p, n, lx, ly) : levelKernel7Packed8(p, n, lx, ly);
    case kStorageRgba16: return taps == 5 ? levelKernel5Rgba16(p, n, lx, ly) : levelKernel7Rgba16(p, n, lx, ly);
    default: return taps == 5 ? levelKernel5Float4(p, n, lx, ly) : levelKernel7Float4(p, n, lx, ly);
    }
}
EffectColor mix(const EffectColor& a, const EffectColor& b, float f, float scale) {
    return EffectColor{(a.red + (b.red - a.red) * f) * scale, (a.green + (b.green - a.green) * f) * scale,
                       (a.blue + (b.blue - a.blue) * f) * scale, (a.coverage + (b.coverage - a.coverage) * f) * scale};
}
}  // namespace

TEST(Samplers, FastSamplerBlendsTwoLevelsByTheFraction) {
    for (int type : {kStoragePacked8, kStorageRgba16, kStorageFloat4}) {
        Pyramid p;
        makePyramid(p, 300, 200, type);
        fillAllLevels(p, [type](int n, int x, int y, int c) {
            const uint32_t h = noise(n, x, y, c);
            return type == kStoragePacked8 ? h & 0xFF : h % 32769;
        });
        const float s = p.inverseFullScale;
        for (float x : {0.0f, 0.31f, 0.77f, 1.0f}) {
            const float y = 0.43f;
            const EffectColor k2 = kernelAtNormalised(p, 5, 2, x, y);
            const EffectColor k3 = kernelAtNormalised(p, 5, 3, x, y);
            // Fraction 0 reads one level only.
            EXPECT_TRUE(sameColor(sampleFast(p, 2, 0.0f, x, y), mix(k2, k2, 0.0f, s))) << type;
            EXPECT_TRUE(sameColor(sampleFast(p, 2, 0.25f, x, y), mix(k2, k3, 0.25f, s))) << type;
            // The high-quality sampler with fraction 0 is the fast sampler.
            EXPECT_TRUE(sameColor(sampleHighQuality(p, 2, 0.0f, x, y), sampleFast(p, 2, 0.0f, x, y))) << type;
        }
    }
}

TEST(Samplers, HighQualityBlendsTheWideKernelsOfTheLevelBelowAndTheLevel) {
    for (int type : {kStoragePacked8, kStorageRgba16, kStorageFloat4}) {
        Pyramid p;
        makePyramid(p, 300, 200, type);
        fillAllLevels(p, [type](int n, int x, int y, int c) {
            const uint32_t h = noise(n, x, y, c);
            return type == kStoragePacked8 ? h & 0xFF : h % 32769;
        });
        const float s = p.inverseFullScale;
        const float x = 0.52f, y = 0.18f;
        EXPECT_TRUE(sameColor(sampleHighQuality(p, 3, 0.5f, x, y),
                              mix(kernelAtNormalised(p, 7, 2, x, y), kernelAtNormalised(p, 7, 3, x, y), 0.5f, s)));
        // At level 0 the lower colour is the 5 x 5 kernel of level 0.
        EXPECT_TRUE(sameColor(sampleHighQuality(p, 0, 0.75f, x, y),
                              mix(kernelAtNormalised(p, 5, 0, x, y), kernelAtNormalised(p, 7, 0, x, y), 0.75f, s)));
    }
}

TEST(Samplers, LevelLimits) {
    Pyramid p;
    makePyramid(p, 64, 48, kStorageRgba16);
    fillAllLevels(p, [](int n, int x, int y, int c) { return noise(n, x, y, c) % 32769; });
    ASSERT_EQ(p.lmax, 6);
    const float x = 0.4f, y = 0.6f;
    // Lmax with fraction 0 reads level Lmax - 1; beyond it the fraction still reaches Lmax.
    EXPECT_TRUE(sameColor(sampleFast(p, p.lmax, 0.0f, x, y), sampleFast(p, p.lmax - 1, 0.0f, x, y)));
    EXPECT_TRUE(sameColor(sampleFast(p, p.lmax + 3, 0.5f, x, y), sampleFast(p, p.lmax - 1, 0.5f, x, y)));
    EXPECT_TRUE(sameColor(sampleFast(p, p.lmax - 1, 1.0f, x, y),
                          mix(kernelAtNormalised(p, 5, p.lmax - 1, x, y), kernelAtNormalised(p, 5, p.lmax, x, y), 1.0f,
                              p.inverseFullScale)));
    EXPECT_TRUE(sameColor(sampleFast(p, -4, 0.5f, x, y), sampleFast(p, 0, 0.5f, x, y)));
    EXPECT_TRUE(sameColor(sampleHighQuality(p, p.lmax, 0.0f, x, y), sampleHighQuality(p, p.lmax - 1, 0.0f, x, y)));
    EXPECT_TRUE(sameColor(sampleHighQuality(p, -2, 0.5f, x, y), sampleHighQuality(p, 0, 0.5f, x, y)));
    // Coordinates outside [0, 1] and NaN are clamped.
    EXPECT_TRUE(sameColor(sampleFast(p, 1, 0.5f, NAN, y), sampleFast(p, 1, 0.5f, 0.0f, y)));
    EXPECT_TRUE(sameColor(sampleFast(p, 1, 0.5f, 3.0f, -1.0f), sampleFast(p, 1, 0.5f, 1.0f, 0.0f)));
}

TEST(Samplers, FlatPyramidsSampleTheirValueScaledToOne) {
    Pyramid packed, grey;
    makePyramid(packed, 100, 70, kStoragePacked8);
    makePyramid(grey, 100, 70, kStorageGrey8);
    fillAllLevels(packed, [](int, int, int, int c) { return uint32_t(c == 3 ? 255 : 200); });
    fillAllLevels(grey, [](int, int, int, int) { return 51u; });
    for (int level = 0; level <= packed.lmax; ++level) {
        const EffectColor a = sampleFast(packed, level, 0.3f, 0.1f, 0.9f);
        EXPECT_EQ(a.red, 200.0f * (1.0f / 255.0f));
        EXPECT_EQ(a.coverage, 1.0f);
        const EffectColor b = sampleHighQuality(packed, level, 0.6f, 0.0f, 0.5f);
        EXPECT_EQ(b.green, 200.0f * (1.0f / 255.0f));
        // Grey: the value in red, green and blue and 255 / 255 in coverage.
        const EffectColor g = sampleFast(grey, level, 0.5f, 0.7f, 0.2f);
        EXPECT_EQ(g.red, 51.0f * (1.0f / 255.0f));
        EXPECT_EQ(g.blue, g.red);
        EXPECT_EQ(g.coverage, 1.0f);
        EXPECT_TRUE(sameColor(sampleHighQuality(grey, level, 0.5f, 0.7f, 0.2f), g));
    }
}

TEST(Samplers, UnsupportedOrIncompletePyramidsGiveTransparentBlack) {
    Pyramid sixteen;
    makePyramid(sixteen, 8, 8, kStorageGrey16);
    EXPECT_TRUE(sameColor(sampleFast(sixteen, 0, 0.5f, 0.5f, 0.5f), EffectColor{}));
    EXPECT_TRUE(sameColor(sampleHighQuality(sixteen, 0, 0.5f, 0.5f, 0.5f), EffectColor{}));
    Pyramid empty;
    empty.weights = &tables();
    EXPECT_TRUE(sameColor(sampleFast(empty, 0, 0.0f, 0.5f, 0.5f), EffectColor{}));
    EXPECT_TRUE(sameColor(sampleHighQuality(empty, 0, 0.0f, 0.5f, 0.5f), EffectColor{}));
    Pyramid noTables;
    ASSERT_TRUE(noTables.create(systemMemoryService(), 8, 8, kStoragePacked8, kEdgeClamp));
    EXPECT_TRUE(sameColor(sampleFast(noTables, 0, 0.0f, 0.5f, 0.5f), EffectColor{}));
}
