// The level kernels' vector windows against the scalar loop, level by level:
// fixed-seed noise, flat black, flat full scale and a black-and-full-scale
// checkerboard (the extremes that load the negative lobes hardest), at every
// phase of both axes and across the level's and the tile's edges, for the
// 5 x 5 and 7 x 7 windows of packed 8-bit, 16-bit and float storage on a
// level of odd size.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "kernels/pyramid_pixels.h"
#include "kernels/samplers.h"
#include "kernels/speed_settings.h"

namespace {

enum class Fill { noise, black, full, checkerboard };

// Float noise spans both signs and magnitudes far beyond full scale, where
// a changed order of additions would round differently.
float floatChannel(Fill fill, uint32_t state, int x, int y) {
    switch (fill) {
    case Fill::noise: return float(int32_t(state)) * (1.0f / 16777216.0f) / float(1 + (state & 7));
    case Fill::black: return 0.0f;
    case Fill::full: return 1.0f;
    case Fill::checkerboard: return ((x ^ y) & 1) ? 1.0f : 0.0f;
    }
    return 0.0f;
}

void fillLevel0(Pyramid& p, Fill fill, uint32_t maximum) {
    uint32_t state = 2463534242u;
    for (int y = 0; y < p.height[0]; ++y) {
        for (int x = 0; x < p.width[0]; ++x) {
            uint32_t v[4];
            float f[4];
            for (int i = 0; i < 4; ++i) {
                uint32_t& c = v[i];
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                switch (fill) {
                case Fill::noise: c = state % (maximum + 1); break;
                case Fill::black: c = 0; break;
                case Fill::full: c = maximum; break;
                case Fill::checkerboard: c = ((x ^ y) & 1) ? maximum : 0; break;
                }
                f[i] = floatChannel(fill, state, x, y);
            }
            uint8_t* px = p.pixelInside(0, x, y);
            if (p.storageType == kStoragePacked8) storeU32(px, packChannels8(v[0], v[1], v[2], v[3]));
            else if (p.storageType == kStorageFloat4) std::memcpy(px, f, sizeof f);
            else
                for (int c = 0; c < 4; ++c) storeU16(px + 2 * c, uint16_t(v[c]));
        }
    }
}

EffectColor kernel(const Pyramid& p, int taps, float x, float y) {
    if (p.storageType == kStoragePacked8) return taps == 5 ? levelKernel5Packed8(p, 0, x, y) : levelKernel7Packed8(p, 0, x, y);
    if (p.storageType == kStorageFloat4) return taps == 5 ? levelKernel5Float4(p, 0, x, y) : levelKernel7Float4(p, 0, x, y);
    return taps == 5 ? levelKernel5Rgba16(p, 0, x, y) : levelKernel7Rgba16(p, 0, x, y);
}

struct RestoreLevel {
    ~RestoreLevel() { requestSimdLevel(SimdLevel::avx512); }
};

TEST(VectorKernels, EveryLevelGivesTheScalarResult) {
    RestoreLevel restore;
    WeightTables tables;
    buildWeightTables(tables);
    const SimdLevel best = supportedSimdLevel();
    ASSERT_NE(best, SimdLevel::scalar) << "an x86-64 machine runs SSE2 at least";
    struct Storage {
        int type;
        uint32_t maximum;
    };
    // 16-bit storage holds 0..32768; 65535 checks that the sums stay exact.
    for (const Storage s : {Storage{kStoragePacked8, 255}, Storage{kStorageRgba16, 32768}, Storage{kStorageRgba16, 65535},
                            Storage{kStorageFloat4, 0}}) {
        for (const Fill fill : {Fill::noise, Fill::black, Fill::full, Fill::checkerboard}) {
            Pyramid p;
            ASSERT_TRUE(p.create(systemMemoryService(), 531, 25, s.type, kEdgeClamp));
            p.weights = &tables;
            fillLevel0(p, fill, s.maximum);
            int compared = 0;
            for (int taps : {5, 7}) {
                // Every phase of x with a fixed y phase, and the reverse, over
                // windows near both sides of the tile edge at column 512.
                for (int step = 0; step < 2 * 128; ++step) {
                    const int phase = step % 128;
                    const float base = step < 128 ? 20.0f + float(step % 7) : 500.0f + float(step % 5);
                    const float x = base + float(phase) / 128.0f - 0.5f + 1.0f / 512.0f;
                    const float y = 10.0f + float((step * 37) % 128) / 128.0f - 0.5f + 1.0f / 512.0f;
                    for (const auto& [px, py] : {std::pair{x, y}, std::pair{y + 30.0f, x - base + 10.0f}}) {
                        requestSimdLevel(SimdLevel::scalar);
                        const EffectColor reference = kernel(p, taps, px, py);
                        for (SimdLevel level : {SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
                            if (level > best) continue;
                            requestSimdLevel(level);
                            const EffectColor got = kernel(p, taps, px, py);
                            ASSERT_EQ(std::memcmp(&got, &reference, sizeof got), 0)
                                << simdLevelName(level) << ", type " << s.type << ", max " << s.maximum << ", fill "
                                << int(fill) << ", " << taps << " taps at " << px << ", " << py;
                            ++compared;
                        }
                    }
                }
            }
            // Windows that cross the level's edges or the tile edge, which
            // are gathered pixel by pixel first.
            for (int taps : {5, 7}) {
                for (float px : {-0.5f, 0.3f, 1.62f, 2.9f, 509.4f, 510.7f, 511.55f, 513.2f, 527.8f, 529.49f, 530.2f}) {
                    for (float py : {-0.5f, 0.77f, 1.91f, 12.06f, 21.3f, 23.49f, 24.3f}) {
                        requestSimdLevel(SimdLevel::scalar);
                        const EffectColor reference = kernel(p, taps, px, py);
                        for (SimdLevel level : {SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
                            if (level > best) continue;
                            requestSimdLevel(level);
                            const EffectColor got = kernel(p, taps, px, py);
                            ASSERT_EQ(std::memcmp(&got, &reference, sizeof got), 0)
                                << simdLevelName(level) << ", type " << s.type << ", fill " << int(fill) << ", "
                                << taps << " taps at the edge " << px << ", " << py;
                            ++compared;
                        }
                    }
                }
            }
            EXPECT_GT(compared, 1000);
        }
    }
}

TEST(VectorKernels, RequestedLevelIsCappedBySupport) {
    RestoreLevel restore;
    requestSimdLevel(SimdLevel::avx512);
    EXPECT_EQ(activeSimdLevel(), supportedSimdLevel());
    requestSimdLevel(SimdLevel::scalar);
    EXPECT_EQ(activeSimdLevel(), SimdLevel::scalar);
    SimdLevel parsed = SimdLevel::scalar;
    EXPECT_TRUE(parseSimdLevel("avx2", parsed));
    EXPECT_EQ(parsed, SimdLevel::avx2);
    EXPECT_FALSE(parseSimdLevel("avx3", parsed));
}

}  // namespace
