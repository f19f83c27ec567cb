// Per-channel glue modes at 8 bits: each row blends three channel pairs at
// once, chosen on both sides of each branch; expected values are worked out
// from the mode formulas (the working is in the comments where it is not
// obvious).
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "kernels/blend_modes.h"
#include "kernels/speed_settings.h"

namespace {

using Pixel = std::array<int32_t, 3>;

struct Case {
    int32_t mode;
    Pixel worked, source, expected;
};

BlendTables makeTables() {
    BlendTables tables;
    buildBlendTables(&tables);
    return tables;
}

Pixel blend(int32_t mode, Pixel worked, const Pixel& source, BlendValueClass valueClass) {
    static const BlendTables tables = makeTables();
    blendPixel(worked.data(), source.data(), valueClass, mode, tables);
    return worked;
}

void expectCases(const std::vector<Case>& cases, BlendValueClass valueClass) {
    for (const Case& c : cases) {
        EXPECT_EQ(blend(c.mode, c.worked, c.source, valueClass), c.expected)
            << "mode " << c.mode << " worked " << c.worked[0] << "," << c.worked[1] << "," << c.worked[2]
            << " source " << c.source[0] << "," << c.source[1] << "," << c.source[2];
    }
}

TEST(ProceduralWeightTable, RisesToMidGreyThenFalls) {
    const BlendTables tables = makeTables();
    EXPECT_EQ(tables.proceduralWeight[0], 0);
    EXPECT_EQ(tables.proceduralWeight[1], 2);
    EXPECT_EQ(tables.proceduralWeight[127], 254);
    EXPECT_EQ(tables.proceduralWeight[128], 255);
    EXPECT_EQ(tables.proceduralWeight[200], 111);
    EXPECT_EQ(tables.proceduralWeight[255], 1);
}

TEST(BlendModes8, ArithmeticModes) {
    expectCases({
        // procedural +: w = table[S]; (T w + (255 - w) S) / 256.
        // S 0: w 0 -> 0. S 128: w 255 -> 25500/256. S 255: w 1 -> (50 + 254*255)/256 = 64820/256.
        {2, {200, 100, 50}, {0, 128, 255}, {0, 99, 253}},
        // S 127: w 254 -> (64770 + 127)/256. S 64: w 128 -> 127*64/256. S 200: w 111 -> (1110 + 28800)/256.
        {2, {255, 0, 10}, {127, 64, 200}, {253, 31, 116}},
        // procedural -: 100 + 10000/256 = 139; 200 + 199 -> 255.
        {3, {100, 200, 0}, {100, 255, 255}, {139, 255, 0}},
        // difference: 255*255/256 = 254; (55*100 + 155*200)/256 = 36500/256 = 142.
        {4, {255, 100, 255}, {0, 200, 255}, {254, 142, 0}},
        {5, {10, 200, 0}, {20, 100, 0}, {20, 200, 0}},
        {6, {10, 200, 255}, {20, 100, 255}, {10, 100, 255}},
        {7, {100, 200, 0}, {100, 100, 0}, {200, 255, 0}},
        {8, {100, 30, 255}, {30, 100, 0}, {70, 0, 255}},
        // multiply: 65025/256 = 254; 16384/256 = 64; 300/256 = 1.
        {9, {255, 128, 100}, {255, 128, 3}, {254, 64, 1}},
        // screen: 0 + 65025/256 = 254; 100 + 15500/256 = 160.
        {10, {0, 100, 255}, {255, 100, 7}, {254, 160, 255}},
        // exclusion: 256*255/256 = 255; 255*255/256 = 254; (5500 + 31200)/256 = 143.
        {14, {0, 255, 100}, {255, 0, 200}, {255, 254, 143}},
        {21, {100, 10, 200}, {50, 50, 100}, {150, 0, 255}},
        // similarity: 255 - |T + S - 255|.
        {24, {0, 100, 200}, {0, 155, 200}, {0, 255, 110}},
        {26, {10, 200, 77}, {200, 10, 77}, {190, 190, 0}},
        // ace: 256*255/256 = 255; 65025/256 = 254; (10000 + 31200)/256 = 160.
        {32, {0, 255, 100}, {255, 0, 200}, {255, 254, 160}},
        {32, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}},
        // king: T = S gives S; 255*1/256 = 0; 100*411/256 = 160; 200*156/256 = 121.
        {33, {100, 0, 255}, {100, 255, 100}, {100, 0, 160}},
        {33, {100, 100, 100}, {200, 200, 200}, {121, 121, 121}},
        // queen: (S (T + 1) + (255 - T) T) / 256: 255; 200/256 = 0; (20200 + 15500)/256 = 139.
        {34, {255, 0, 100}, {255, 200, 200}, {255, 0, 139}},
        {34, {200, 0, 0}, {0, 0, 0}, {42, 0, 0}},
        // jack: (S (S + 1) + (255 - S) T) / 256: 255*256/256 = 255; T 255, S 0: 255*255/256 = 254;
        // (40200 + 5500)/256 = 178; T 0, S 255: 255*256/256 = 255.
        {35, {255, 255, 100}, {255, 0, 200}, {255, 254, 178}},
        {35, {0, 0, 0}, {255, 0, 0}, {255, 0, 0}},
        {52, {128, 127, 0}, {128, 128, 255}, {255, 0, 0}},
        {52, {1, 200, 255}, {255, 55, 0}, {255, 0, 0}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes8, LightModes) {
    expectCases({
        // hard light HL(S, T): T 127 -> 200*127/128 = 198; T 128 -> 255 - 55*127/128 = 201; T 0 -> 0.
        {11, {127, 128, 0}, {200, 200, 255}, {198, 201, 0}},
        {11, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}},
        // overlay HL(T, S): the source decides.
        {12, {200, 200, 255}, {127, 128, 0}, {198, 201, 0}},
        {12, {0, 0, 0}, {255, 255, 255}, {255, 255, 255}},
        // linear light: 128 + 128 - 256 = 0; min(255, 345); 10 + 254 - 256 = 8; 10 + 256 - 255 = 11.
        {17, {64, 200, 127}, {128, 200, 10}, {0, 255, 8}},
        {17, {128, 127, 100}, {10, 1, 100}, {11, 0, 44}},
        // pin light PL(S, T): T 128 -> max(0, 1); T 127 -> min(255, 254); T 200 -> max(180, 145).
        {18, {128, 127, 200}, {0, 255, 180}, {1, 254, 180}},
        {18, {50, 255, 0}, {60, 0, 10}, {60, 255, 0}},
        // spin light PL(T, S).
        {19, {0, 255, 180}, {128, 127, 200}, {1, 254, 180}},
        // soft light lower branch: (0 + trunc(40000/256)*128)/128 = 156; (32385 + 254)/128 = 254;
        // (4096 + 16*64)/128 = 40.
        {27, {0, 127, 64}, {200, 255, 64}, {156, 254, 40}},
        // upper branch: T 128, S 0: 255 - (-2*254 + 130*255)/128 = 0; T 129, S 255: 255;
        // T 129, S 100: 255 - (-93 + 19995)/128 = 100.
        {27, {128, 129, 129}, {0, 255, 100}, {0, 255, 100}},
        // T 255, S 0: 255 - (125*254 + 3*255)/128 = 1; T 200, S 128: 255 - (70*63 + 58*127)/128 = 163.
        {27, {255, 200, 255}, {0, 128, 255}, {1, 163, 255}},
        // superlay. T = S = 139: a = (255 - 75)^2 = 32400 < 32768; d = 255 - 62 - 139 = 54;
        // 255 - (126 * 11) / 128 = 245. T = S = 138: a = 181^2 = 32761, still the first branch:
        // d = 255 - 63 - 138 = 54, 255 - 127*11/128 = 245. T = S = 137: a = 182^2 = 33124, second
        // branch: d = 55, (255 - 11)(255 - 129)/128 = 240.
        {13, {139, 138, 137}, {139, 138, 137}, {245, 245, 240}},
        // T = S = 128: a = 191^2 = 36481; d = 255 - 63 - 128 = 64; (255 - 16)(255 - 142)/128 = 210.
        // T = S = 0: a = 65025, d = 255: (255 - 254)(255 - 254)/128 = 0. T = S = 255: a = 1, d = 0 -> 255.
        {13, {128, 0, 255}, {128, 0, 255}, {210, 0, 255}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes8, DivisionModes) {
    expectCases({
        // vivid a, T < 128: 255 + trunc((S - 255) 256 / (2T + 1)), toward zero:
        // T 0, S 254 -> -1 -> 0; T 0, S 255 -> 255; T 127, S 200 -> 255 + trunc(-14080/255 = -55.2) = 200.
        {20, {0, 0, 127}, {254, 255, 200}, {0, 255, 200}},
        // T 127, S 0 -> 255 - 256 -> 0; T 64, S 100 -> 255 - 307 -> 0; T 100, S 200 -> 255 - 70 = 185.
        {20, {127, 64, 100}, {0, 100, 200}, {0, 0, 185}},
        // T >= 128: trunc(S 256 / (511 - 2T)): 25600/255 = 100; 256 -> 255; 12800/111 = 115.
        {20, {128, 255, 200}, {100, 1, 50}, {100, 255, 115}},
        {20, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}},
        // dodge: 256 -> 255; 0; 25600/128 = 200; 51200/256 = 200; 25600/56 -> 255; 12800/156 = 82.
        {30, {255, 255, 128}, {1, 0, 100}, {255, 0, 200}},
        {30, {0, 200, 100}, {200, 100, 50}, {200, 255, 82}},
        // burn: 255 - 256 -> 0; 255 - 255 = 0; 255 - 155 = 100; 255 - 110 = 145; 255 - trunc(139.4) = 116.
        {31, {0, 255, 255}, {254, 0, 100}, {0, 0, 100}},
        {31, {127, 100, 0}, {200, 200, 255}, {145, 116, 255}},
        // cross: |trunc((T - 128)^2 / 64) - trunc((S - 128)^2 / 64)|: 256 - 0 -> 0; 0 -> 255;
        // |12 - 81| = 69 -> 186; |252 - 256| = 4 -> 251.
        {25, {0, 128, 100}, {128, 128, 200}, {0, 255, 186}},
        {25, {255, 255, 255}, {0, 0, 0}, {251, 251, 251}},
        // dextrous: S 0 = T 0 -> 1 -> 255; S 0 < T -> 0; S > T = 0 -> 1 -> 255.
        {58, {0, 255, 0}, {0, 0, 255}, {255, 0, 255}},
        // s < t: 0.25 -> 63.75 -> 63; s > t: 1 - 0.25 -> 191; s = t: 1 - 0.5 -> 127.
        {58, {200, 100, 128}, {100, 200, 128}, {63, 191, 127}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes8, BitwiseModes) {
    expectCases({
        {36, {240, 255, 85}, {60, 170, 170}, {48, 170, 0}},
        {37, {240, 85, 0}, {60, 170, 0}, {252, 255, 0}},
        {38, {240, 85, 200}, {60, 170, 200}, {204, 255, 0}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes8, RealValuedModes) {
    expectCases({
        // multibright: x = T S / 65025; 255 x (2 - x). 128, 128: x = 0.251965, 112.31;
        // 100, 200: x = 0.307574, 132.74; 0 -> 0.
        {39, {128, 100, 0}, {128, 200, 200}, {112, 132, 0}},
        // 255, 255: x = 65025 * 1.53787e-5 = 0.99999999 rounds to 1 in single precision -> 255.
        {39, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}},
        // screendim: x = 1 - (255 - T)(255 - S)/65025; 255 x^2. 128, 128: x = 0.751957, 144.19;
        // 100, 200: x = 0.868897, 192.52; 255, 0: x = 1 -> 255.
        {62, {128, 100, 255}, {128, 200, 0}, {144, 192, 255}},
        // 0, 0: 65025 * 1.53787e-5 rounds to 1, x = 0.
        {62, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes8, PinAndHardLightCombinations) {
    expectCases({
        // hot: A = PL(T, S), B = PL(255 - T, S), PL(B, A).
        // 100, 200: A = max(100, 145) = 145, B = max(155, 145) = 155, max(155, 35) = 155.
        // 100, 50: A = 100, B = min(155, 100) = 100, min(100, 200) = 100.
        // 200, 10: A = 20, B = min(55, 20) = 20, min(20, 40) = 20.
        {40, {100, 100, 200}, {200, 50, 10}, {155, 100, 20}},
        {40, {0, 0, 0}, {255, 255, 255}, {255, 255, 255}},
        // cold: A = PL(S, T), B = PL(255 - S, T), PL(B, A).
        // 200, 100: A = 145, B = 155 -> 155. 60, 10: A = 10, B = min(245, 120) = 120, min(120, 20) = 20.
        // 130, 250: A = max(250, 5) = 250, B = max(5, 5) = 5, max(5, 245) = 245.
        {41, {200, 60, 130}, {100, 10, 250}, {155, 20, 245}},
        // wet: A = HL(T, S), B = 255 - HL(255 - S, T), PL(B, A).
        // 100, 200: A = 255 - 8525/128 = 189, B = 255 - 5500/128 = 213, max(213, 123) = 213.
        // 200, 50: A = 10000/128 = 78, B = 255 - (255 - 2750/128) = 21, min(21, 156) = 21.
        // 0, 0: A = 0, B = 255 - 0 = 255, min(255, 0) = 0.
        {42, {100, 200, 0}, {200, 50, 0}, {213, 21, 0}},
        // dry: A = HL(255 - T, S), B = HL(S, T), PL(B, A).
        // 100, 200: A = 255 - 5500/128 = 213, B = 20000/128 = 156, max(156, 171) = 171.
        // 200, 50: A = 2750/128 = 21, B = 255 - 11275/128 = 167, min(167, 42) = 42. 255, 255 -> 255.
        {43, {100, 200, 255}, {200, 50, 255}, {171, 42, 255}},
        // up: PL(HL(T, S), HL(S, T)): PL(189, 156) = 189; PL(78, 167) = max(78, 79) = 79; PL(1, 1) = 1.
        {44, {100, 200, 10}, {200, 50, 20}, {189, 79, 1}},
        // down: PL(HL(S, T), HL(T, S)): PL(156, 189) = 156; PL(167, 78) = min(167, 156) = 156;
        // 255, 0: PL(HL(0, 255) = 255, HL(255, 0) = 0) = 0.
        {45, {100, 200, 255}, {200, 50, 0}, {156, 156, 0}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes8, CrossedChannelModes) {
    const Pixel worked{100, 200, 50}, source{10, 250, 128};
    expectCases({
        // north: R = (10*200 + 56*100)/256 = 29; G = (250*50 + 206*200)/256 = 209;
        // B = (128*100 + 156*50)/256 = 80.
        {48, worked, source, {29, 209, 80}},
        // south: R = (10*50 + 206*100)/256 = 82; G = (250*100 + 156*200)/256 = 219;
        // B = (128*200 + 56*50)/256 = 110.
        {49, worked, source, {82, 219, 110}},
        // east: R = (10*250 + 6*100)/256 = 12; G = (250*128 + 128*200)/256 = 225;
        // B = (128*10 + 246*50)/256 = 53.
        {50, worked, source, {12, 225, 53}},
        // west: R = (10*128 + 128*100)/256 = 55; G = (250*10 + 246*200)/256 = 201;
        // B = (128*250 + 6*50)/256 = 126.
        {51, worked, source, {55, 201, 126}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes8, BrightAndDimSwapWholePixels) {
    // luma(100, 200, 50) = 39100/256 = 152; luma(200, 100, 50) = 31800/256 = 124.
    expectCases({
        {28, {100, 200, 50}, {200, 100, 50}, {100, 200, 50}},
        {29, {100, 200, 50}, {200, 100, 50}, {200, 100, 50}},
        // luma(10, 10, 10) = 2550/256 = 9 > 0.
        {28, {0, 0, 0}, {10, 10, 10}, {10, 10, 10}},
        {29, {0, 0, 0}, {10, 10, 10}, {0, 0, 0}},
        // A tie keeps the worked pixel: luma(255, 0, 0) = 19635/256 = 76 = luma(0, 130, 0) = 19500/256.
        {28, {255, 0, 0}, {0, 130, 0}, {255, 0, 0}},
        {29, {255, 0, 0}, {0, 130, 0}, {255, 0, 0}},
    }, BlendValueClass::eightBit);
}

TEST(BlendModes, NormalAndUnknownModesKeepTheWorkedPixel) {
    const Pixel worked{12, 34, 56}, source{200, 100, 0};
    for (int32_t mode : {1, 0, -1, 63, 1000, INT32_MIN}) {
        EXPECT_EQ(blend(mode, worked, source, BlendValueClass::eightBit), worked) << mode;
        EXPECT_EQ(blend(mode, worked, source, BlendValueClass::sixteenBit), worked) << mode;
    }
}

TEST(BlendModes, EveryModeStaysWithinTheChannelMaximum) {
    // Sweeps value pairs over both scales; the limit holds for every mode.
    for (BlendValueClass valueClass : {BlendValueClass::eightBit, BlendValueClass::sixteenBit}) {
        const int32_t m = channelMaximum(valueClass);
        const int32_t step = m / 17 + 1;
        for (int32_t mode = 1; mode <= 62; ++mode) {
            for (int32_t t = 0; t <= m + step - 1; t += step) {
                for (int32_t s = 0; s <= m + step - 1; s += step) {
                    const int32_t tv = std::min(t, m), sv = std::min(s, m);
                    const Pixel out = blend(mode, {tv, sv, m - tv}, {sv, m - sv, tv}, valueClass);
                    for (int32_t v : out) {
                        ASSERT_GE(v, 0) << "mode " << mode << " t " << tv << " s " << sv;
                        ASSERT_LE(v, m) << "mode " << mode << " t " << tv << " s " << sv;
                    }
                }
            }
        }
    }
}

TEST(BlendModes, RowAppliesTheModeToEveryPixel) {
    const BlendTables tables = makeTables();
    // Two pixels through add: 100 + 100, 200 + 100 -> 255, ...
    std::array<int32_t, 6> worked{100, 200, 0, 10, 20, 30};
    const std::array<int32_t, 6> source{100, 100, 0, 1, 2, 3};
    blendRow(worked.data(), source.data(), 2, BlendValueClass::eightBit, kBlendAdd, tables);
    EXPECT_EQ(worked, (std::array<int32_t, 6>{200, 255, 0, 11, 22, 33}));
}

// Every mode's row, at every vector level, gives the per-pixel results: on
// the channel's ends and middle, the values next to them, and noise; runs of
// odd lengths leave the vector loops a remainder.
TEST(BlendModes, RowsAtEveryLevelGiveThePerPixelResults) {
    const BlendTables tables = makeTables();
    uint32_t state = 99;
    for (const BlendValueClass valueClass : {BlendValueClass::eightBit, BlendValueClass::sixteenBit}) {
        const int32_t m = channelMaximum(valueClass);
        const int32_t edges[] = {0, 1, 2, m / 2 - 1, m / 2, m / 2 + 1, m - 2, m - 1, m};
        std::vector<int32_t> worked, source;
        for (const int32_t t : edges)
            for (const int32_t s : edges) {
                worked.push_back(t);
                source.push_back(s);
            }
        while (worked.size() < 3 * 301) {
            state = state * 1103515245u + 12345u;
            worked.push_back(int32_t((state >> 8) % uint32_t(m + 1)));
            source.push_back(int32_t((state >> 20) * 7919u % uint32_t(m + 1)));
        }
        const int pixels = int(worked.size() / 3);
        for (int32_t mode = 2; mode <= 62; ++mode) {
            std::vector<int32_t> expected = worked;
            for (int i = 0; i < pixels; ++i) blendPixel(&expected[3 * i], &source[3 * i], valueClass, mode, tables);
            for (const SimdLevel level : {SimdLevel::scalar, SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
                if (level > supportedSimdLevel()) continue;
                requestSimdLevel(level);
                std::vector<int32_t> row = worked;
                blendRow(row.data(), source.data(), pixels, valueClass, mode, tables);
                EXPECT_EQ(row, expected) << "mode " << mode << " level " << simdLevelName(level);
            }
        }
    }
    requestSimdLevel(supportedSimdLevel());
}

}  // namespace
