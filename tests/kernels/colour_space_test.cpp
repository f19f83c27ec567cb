// Colour-space glue modes and the opponent-colour tables. Structural cases
// are worked by hand; the general cases were worked from the formulas in
// double precision, chosen at least 0.01 away from a truncation step so that
// single precision gives the same integers.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "kernels/blend_modes.h"
#include "kernels/colour_space_modes.h"
#include "kernels/opponent_colour.h"
#include "kernels/opponent_tables.h"

namespace {

using Pixel = std::array<int32_t, 3>;

Pixel blend(int32_t mode, Pixel worked, const Pixel& source, BlendValueClass valueClass = BlendValueClass::eightBit) {
    BlendTables tables;
    buildBlendTables(&tables);
    blendPixel(worked.data(), source.data(), valueClass, mode, tables);
    return worked;
}

Pixel forward(const Pixel& rgb, bool sixteenBit = false) {
    Pixel lab;
    opponentForward(rgb.data(), sixteenBit, lab.data());
    return lab;
}

Pixel inverse(const Pixel& lab, bool sixteenBit = false) {
    Pixel rgb;
    opponentInverse(lab.data(), sixteenBit, rgb.data());
    return rgb;
}

Pixel node(const uint8_t* table, int i, int j, int k) {
    const uint8_t* bytes = table + opponentNodeOffset(i, j, k);
    return {bytes[0], bytes[1], bytes[2]};
}

TEST(PerceivedLightness, MidpointAndInverse) {
    // Grey: (0.5, 0.5, 0.5) weighs 0.5. Pure red at l 0.5: 0.28.
    EXPECT_NEAR(hueMidpoint(0, 0), 0.5f, 1e-6f);
    EXPECT_NEAR(hueMidpoint(1, 1), 0.28f, 1e-6f);
    EXPECT_NEAR(hueMidpoint(1.0f / 3, 1), 0.52f, 1e-6f);
    // Red at l 0.25: 2 * 0.25 * 0.28; at l 0.75: 0.28 + 0.72 * 0.5.
    EXPECT_NEAR(perceivedLightness({1, 1, 0.25f}), 0.14f, 1e-6f);
    EXPECT_NEAR(perceivedLightness({1, 1, 0.75f}), 0.64f, 1e-6f);
    // The inverse undoes both branches and holds its ends.
    EXPECT_NEAR(lightnessForPerceived(0.14f, 0.28f), 0.25f, 1e-6f);
    EXPECT_NEAR(lightnessForPerceived(0.64f, 0.28f), 0.75f, 1e-6f);
    EXPECT_EQ(lightnessForPerceived(1.5f, 0.28f), 1.0f);
    EXPECT_EQ(lightnessForPerceived(-0.1f, 0.28f), 0.0f);
    EXPECT_EQ(lightnessForPerceived(0.0f, 0.0f), 0.0f);
    const HslColor p = rgbToPerceivedHsl({1, 0, 0});
    EXPECT_NEAR(p.lightness, 0.28f, 1e-6f);
    const RgbColor back = perceivedHslToRgb(p);
    EXPECT_NEAR(back.red, 1.0f, 1e-6f);
    EXPECT_NEAR(back.green, 0.0f, 1e-6f);
}

TEST(ColourSpaceModes, ColorAndLuminance) {
    // A grey worked pixel takes the source luma as its grey: luma(200, 50, 25) = 23600/256 = 92.
    EXPECT_EQ(blend(kBlendColor, {100, 100, 100}, {200, 50, 25}), (Pixel{92, 92, 92}));
    EXPECT_EQ(blend(kBlendColor, {200, 100, 50}, {60, 120, 180}), (Pixel{183, 91, 45}));
    EXPECT_EQ(blend(kBlendColor, {60, 120, 180}, {200, 100, 50}), (Pixel{66, 129, 192}));
    EXPECT_EQ(blend(kBlendColor, {200, 100, 50}, {0, 0, 0}), (Pixel{0, 0, 0}));
    // luminance is color with the roles swapped.
    EXPECT_EQ(blend(kBlendLuminance, {60, 120, 180}, {200, 100, 50}), (Pixel{183, 91, 45}));
    EXPECT_EQ(blend(kBlendLuminance, {200, 50, 25}, {90, 90, 90}), (Pixel{92, 92, 92}));
}

TEST(ColourSpaceModes, SaturationAndHue) {
    // Grey worked over red: hue 1, saturation 0, target 2 * 0.5 * 0.28 = 0.28 -> grey 71.4.
    EXPECT_EQ(blend(kBlendSaturation, {100, 100, 100}, {255, 0, 0}), (Pixel{71, 71, 71}));
    EXPECT_EQ(blend(kBlendSaturation, {200, 100, 50}, {60, 120, 180}), (Pixel{48, 121, 193}));
    EXPECT_EQ(blend(kBlendSaturation, {60, 120, 180}, {200, 100, 50}), (Pixel{185, 103, 61}));
    EXPECT_EQ(blend(kBlendHue, {200, 100, 50}, {60, 120, 180}), (Pixel{181, 100, 60}));
    EXPECT_EQ(blend(kBlendHue, {60, 120, 180}, {200, 100, 50}), (Pixel{49, 123, 198}));
    EXPECT_EQ(blend(kBlendHue, {255, 0, 0}, {64, 128, 191}), (Pixel{200, 92, 92}));
}

TEST(ColourSpaceModes, WaxAndWane) {
    // An unsaturated worked pixel lets wax return the source; a saturated one does so for wane.
    EXPECT_EQ(blend(kBlendWax, {90, 90, 90}, {10, 200, 30}), (Pixel{10, 200, 30}));
    EXPECT_EQ(blend(kBlendWane, {255, 0, 0}, {10, 200, 30}), (Pixel{10, 200, 30}));
    // (191, 64, 64): l = 0.5, bell 1, e = s = 0.498039; over black: 191 e = 95.13, 64 e = 31.87.
    EXPECT_EQ(blend(kBlendWax, {191, 64, 64}, {0, 0, 0}), (Pixel{95, 31, 31}));
    // Grey 128: s = 0, bell = 1 - (1/255)^4 = 1 in single precision, so wane takes the worked pixel.
    EXPECT_EQ(blend(kBlendWane, {128, 128, 128}, {10, 200, 30}), (Pixel{128, 128, 128}));
}

TEST(ColourSpaceModes, Frontal) {
    // A black worked pixel (bell 0) keeps its hue and saturation and the darker lightness: black.
    EXPECT_EQ(blend(kBlendFrontal, {0, 0, 0}, {200, 100, 50}), (Pixel{0, 0, 0}));
    // White over red: bell 0 keeps saturation 0, lightness min(1, 0.5): grey 127.5 -> 127.
    EXPECT_EQ(blend(kBlendFrontal, {255, 255, 255}, {255, 0, 0}), (Pixel{127, 127, 127}));
    // Red over grey 128: both bells are 1, so the point moves fully to the grey centre.
    EXPECT_EQ(blend(kBlendFrontal, {255, 0, 0}, {128, 128, 128}), (Pixel{127, 127, 127}));
}

TEST(ColourSpaceModes, Sinister) {
    // A black source gives black, unless the worked pixel is black too: then white.
    EXPECT_EQ(blend(kBlendSinister, {200, 100, 50}, {0, 0, 0}), (Pixel{0, 0, 0}));
    EXPECT_EQ(blend(kBlendSinister, {0, 0, 0}, {0, 0, 0}), (Pixel{255, 255, 255}));
    // Grey 128 over white: m = 0.501961, o = 254/255; v = 1 - 0.5 m / o = 0.748 -> 190.75.
    EXPECT_EQ(blend(kBlendSinister, {128, 128, 128}, {255, 255, 255}), (Pixel{190, 190, 190}));
    EXPECT_EQ(blend(kBlendSinister, {200, 100, 50}, {60, 120, 180}), (Pixel{197, 98, 49}));
    EXPECT_EQ(blend(kBlendSinister, {60, 120, 180}, {200, 100, 50}), (Pixel{84, 141, 198}));
}

TEST(ColourSpaceModes, AnteriorAndPosterior) {
    // Grey 128 twice: x = 0.501961^2, D = x (2 - x) = 0.440448 -> 112.3, no protection.
    EXPECT_EQ(blend(kBlendAnterior, {128, 128, 128}, {128, 128, 128}), (Pixel{112, 112, 112}));
    EXPECT_EQ(blend(kBlendPosterior, {128, 128, 128}, {128, 128, 128}), (Pixel{112, 112, 112}));
    // Shadow protection, grey 25 over white: lT = 0.098039, D = 0.186467 + (lT - D) 5 (0.2 - lT)
    // = 0.141386 -> 36.05.
    EXPECT_EQ(blend(kBlendAnterior, {25, 25, 25}, {255, 255, 255}), (Pixel{36, 36, 36}));
    // Posterior is protected by the source: white over grey 128 gives D = 0.751957 -> 191.75.
    EXPECT_EQ(blend(kBlendPosterior, {255, 255, 255}, {128, 128, 128}), (Pixel{191, 191, 191}));
    EXPECT_EQ(blend(kBlendAnterior, {240, 230, 220}, {100, 150, 120}), (Pixel{225, 205, 185}));
    EXPECT_EQ(blend(kBlendPosterior, {100, 150, 120}, {30, 20, 40}), (Pixel{29, 19, 39}));
    EXPECT_EQ(blend(kBlendAnterior, {200, 100, 50}, {60, 120, 180}), (Pixel{161, 80, 40}));
    EXPECT_EQ(blend(kBlendPosterior, {200, 100, 50}, {60, 120, 180}), (Pixel{49, 99, 149}));
}

TEST(ColourSpaceModes, SixteenBitScale) {
    const BlendValueClass wide = BlendValueClass::sixteenBit;
    // luma(32768, 32768, 32768) = 255 * 32768 / 256 = 32640: a grey takes 32640, not 32768.
    EXPECT_EQ(blend(kBlendColor, {16384, 16384, 16384}, {32768, 32768, 32768}, wide), (Pixel{32640, 32640, 32640}));
    EXPECT_EQ(blend(kBlendColor, {25600, 12800, 6400}, {7680, 15360, 23040}, wide), (Pixel{23440, 11720, 5860}));
    EXPECT_EQ(blend(kBlendHue, {25600, 12800, 6400}, {7680, 15360, 23040}, wide), (Pixel{23201, 12889, 7733}));
    EXPECT_EQ(blend(kBlendAnterior, {25600, 12800, 6400}, {7680, 15360, 23040}, wide), (Pixel{20650, 10325, 5162}));
    EXPECT_EQ(blend(kBlendWax, {16384, 16384, 16384}, {100, 200, 300}, wide), (Pixel{100, 200, 300}));
}

TEST(OpponentTables, ListedForwardNodes) {
    const int greyL[16] = {0, 17, 48, 72, 93, 112, 130, 147, 163, 177, 191, 204, 218, 230, 243, 255};
    for (int n = 0; n < 16; ++n) {
        EXPECT_EQ(node(kOpponentForwardTable, n, n, n), (Pixel{greyL[n], 128, 128})) << n;
    }
    EXPECT_EQ(node(kOpponentForwardTable, 15, 0, 0), (Pixel{144, 208, 208}));
    EXPECT_EQ(node(kOpponentForwardTable, 0, 15, 0), (Pixel{214, 51, 207}));
    EXPECT_EQ(node(kOpponentForwardTable, 0, 0, 15), (Pixel{104, 158, 33}));
    EXPECT_EQ(node(kOpponentForwardTable, 15, 15, 0), (Pixel{243, 119, 222}));
    EXPECT_EQ(node(kOpponentForwardTable, 15, 0, 15), (Pixel{170, 204, 77}));
    EXPECT_EQ(node(kOpponentForwardTable, 0, 15, 15), (Pixel{228, 75, 111}));
}

TEST(OpponentTables, ListedInverseNodes) {
    EXPECT_EQ(node(kOpponentInverseTable, 8, 8, 8), (Pixel{125, 104, 95}));
    EXPECT_EQ(node(kOpponentInverseTable, 15, 8, 8), (Pixel{255, 249, 237}));
    EXPECT_EQ(node(kOpponentInverseTable, 8, 12, 12), (Pixel{237, 0, 1}));
    EXPECT_EQ(node(kOpponentInverseTable, 8, 3, 12), (Pixel{0, 147, 0}));
    // Through the conversion a node value reads its node unchanged (weight 17 on the base).
    EXPECT_EQ(inverse({136, 136, 136}), (Pixel{125, 104, 95}));
    EXPECT_EQ(inverse({136, 51, 204}), (Pixel{0, 147, 0}));
}

TEST(OpponentConversion, BlackAndWhite) {
    EXPECT_EQ(forward({0, 0, 0}), (Pixel{0, 128, 128}));
    EXPECT_EQ(forward({255, 255, 255}), (Pixel{255, 128, 128}));
    EXPECT_EQ(forward({255, 0, 0}), (Pixel{144, 208, 208}));
    // 16 bits: black is node 0 with weight trunc(2184.5334) = 2184: 128 * 2184 / 17 = 16444.
    EXPECT_EQ(forward({0, 0, 0}, true), (Pixel{0, 16444, 16444}));
    // 32768 / 2184.5334 is just under 15: node 14, remainder 2184 on every axis, so all the weight
    // lies on the opposite corner (15, 15, 15): 255 * 2184 / 17 = 32760.
    EXPECT_EQ(forward({32768, 32768, 32768}, true), (Pixel{32760, 16444, 16444}));
    // 17476 = node 7 + 2184.27: the grey node 8 with weight 2184: 163 * 2184 / 17 = 20940.
    EXPECT_EQ(forward({17476, 17476, 17476}, true), (Pixel{20940, 16444, 16444}));
}

TEST(OpponentConversion, CellWalkFollowsTheRemainders) {
    // (61, 89, 125) = nodes (3, 5, 7) with remainders (10, 4, 6): red first, then blue, then green.
    // Weights 17 - 10 = 7, 10 - 6 = 4, 6 - 4 = 2 and 4.
    const Pixel n0 = node(kOpponentForwardTable, 3, 5, 7), n1 = node(kOpponentForwardTable, 4, 5, 7);
    const Pixel n2 = node(kOpponentForwardTable, 4, 5, 8), n3 = node(kOpponentForwardTable, 4, 6, 8);
    Pixel expected;
    for (int c = 0; c < 3; ++c) expected[c] = (7 * n0[c] + 4 * n1[c] + 2 * n2[c] + 4 * n3[c]) / 17;
    EXPECT_EQ(forward({61, 89, 125}), expected);
}

TEST(OpponentConversion, OutOfRangeInputsStayInsideTheTable) {
    EXPECT_EQ(forward({-50, 300, 1 << 30}), forward({0, 255, 255}));
    EXPECT_EQ(forward({-50, 40000, 1 << 30}, true), forward({0, 32768, 32768}, true));
}

// The inverse table was fitted to undo the forward table on the RGB node grid. Exact undoing is
// impossible with byte nodes: a and b = 128 lie between nodes, and the listed node (15, 8, 8) ->
// (255, 249, 237) caps the way back from white at (255, 251, 245).
TEST(OpponentTables, InverseUndoesForwardOnTheGrid) {
    for (int n = 0; n < 15; ++n) {
        const Pixel back = inverse(forward({17 * n, 17 * n, 17 * n}));
        for (int c = 0; c < 3; ++c) EXPECT_LE(std::abs(back[c] - 17 * n), 1) << "grey " << n;
    }
    EXPECT_EQ(inverse(forward({0, 0, 0})), (Pixel{0, 0, 0}));
    EXPECT_EQ(inverse(forward({255, 255, 255})), (Pixel{255, 251, 245}));

    long totalError = 0;
    int interiorWorst = 0;
    for (int k = 0; k < 16; ++k) {
        for (int j = 0; j < 16; ++j) {
            for (int i = 0; i < 16; ++i) {
                const Pixel rgb{17 * i, 17 * j, 17 * k};
                const Pixel back = inverse(forward(rgb));
                int worst = 0;
                for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(back[c] - rgb[c]));
                totalError += worst;
                const bool interior = i >= 2 && i <= 13 && j >= 2 && j <= 13 && k >= 2 && k <= 13;
                if (interior) interiorWorst = std::max(interiorWorst, worst);
            }
        }
    }
    // Away from the gamut surface a node comes back within 14 levels; on average within 6.
    EXPECT_LE(interiorWorst, 14);
    EXPECT_LE(totalError, 6L * 4096);
}

TEST(OpponentModes, LightStepsOnTheOpponentComponents) {
    // limbic and occipital of a pixel with itself are the conversion's round trip: PL(x, x) = x.
    for (const Pixel& p : {Pixel{136, 136, 136}, Pixel{200, 100, 50}, Pixel{17, 34, 51}}) {
        EXPECT_EQ(blend(kBlendLimbic, p, p), inverse(forward(p)));
        EXPECT_EQ(blend(kBlendOccipital, p, p), inverse(forward(p)));
    }
    // parietal of white with white: L = 255 * 255 / 256 = 254, a = b = HL(128, 128) = 129.
    EXPECT_EQ(blend(kBlendParietal, {255, 255, 255}, {255, 255, 255}), inverse({254, 129, 129}));
    // temporal of black with black: L = 255 - 255 * 255 / 256 = 1, a = b = 129.
    EXPECT_EQ(blend(kBlendTemporal, {0, 0, 0}, {0, 0, 0}), inverse({1, 129, 129}));
    // limbic PL(L_T, L_S): red (144, 208, 208) over black (0, 128, 128): L = min(144, 0) = 0,
    // a = b = max(208, 1) = 208.
    EXPECT_EQ(blend(kBlendLimbic, {255, 0, 0}, {0, 0, 0}), inverse({0, 208, 208}));
    // occipital PL(L_S, L_T): L = max(0, 33) = 33, a = b = PL(128, 208) = max(128, 161) = 161.
    EXPECT_EQ(blend(kBlendOccipital, {255, 0, 0}, {0, 0, 0}), inverse({33, 161, 161}));
    // 16 bits: black with black through temporal: L = 32768 - 32768^2 / 32768 = 0,
    // a = b = HL(16444, 16444) = 32768 - 16324^2 / 16384 = 32768 - 16264 = 16504.
    EXPECT_EQ(blend(kBlendTemporal, {0, 0, 0}, {0, 0, 0}, BlendValueClass::sixteenBit),
              inverse({0, 16504, 16504}, true));
}

}  // namespace
