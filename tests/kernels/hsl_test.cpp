// The hexcone HSL conversions: greys, the primaries and secondaries with the
// product's tie rules, both saturation branches and all six sectors.
#include <gtest/gtest.h>

#include <cstring>

#include "kernels/hsl.h"

namespace {

void expectRgb(const RgbColor& c, float red, float green, float blue) {
    EXPECT_NEAR(c.red, red, 1e-6f);
    EXPECT_NEAR(c.green, green, 1e-6f);
    EXPECT_NEAR(c.blue, blue, 1e-6f);
}

TEST(RgbToHsl, BlackAndGreysHaveNoHueOrSaturation) {
    const HslColor black = rgbToHsl(0, 0, 0);
    EXPECT_EQ(black.hue, 0.0f);
    EXPECT_EQ(black.saturation, 0.0f);
    EXPECT_EQ(black.lightness, 0.0f);
    for (float v : {0.25f, 0.5f, 0.75f, 1.0f}) {
        const HslColor grey = rgbToHsl(v, v, v);
        EXPECT_EQ(grey.hue, 0.0f);
        EXPECT_EQ(grey.saturation, 0.0f);
        EXPECT_EQ(grey.lightness, v);
    }
}

TEST(RgbToHsl, PrimariesAndSecondaries) {
    // Red is the maximum and green the minimum: 5 + b' = 5 + 1 = 6 sixths, so hue 1, not 0.
    EXPECT_EQ(rgbToHsl(1, 0, 0).hue, 1.0f);
    EXPECT_EQ(rgbToHsl(0, 1, 0).hue, 2.0f / 6.0f);  // green maximum, blue minimum: 1 + r' = 2
    EXPECT_EQ(rgbToHsl(0, 0, 1).hue, 4.0f / 6.0f);  // red minimum: 3 + g' = 4
    EXPECT_EQ(rgbToHsl(1, 1, 0).hue, 1.0f / 6.0f);  // red maximum, green not minimum: 1 - g' = 1
    EXPECT_EQ(rgbToHsl(0, 1, 1).hue, 3.0f / 6.0f);  // green maximum, blue not minimum: 3 - b' = 3
    EXPECT_EQ(rgbToHsl(1, 0, 1).hue, 5.0f / 6.0f);  // red maximum, green minimum: 5 + b' = 5
    const HslColor red = rgbToHsl(1, 0, 0);
    EXPECT_EQ(red.saturation, 1.0f);
    EXPECT_EQ(red.lightness, 0.5f);
}

TEST(RgbToHsl, SaturationBranchesAndAMixedHue) {
    // l = 0.4 <= 0.5: s = d / (mx + mn) = 0.4 / 0.8; blue maximum, red minimum: 3 + g' = 3 + 0.2/0.4.
    const HslColor dark = rgbToHsl(0.2f, 0.4f, 0.6f);
    EXPECT_NEAR(dark.lightness, 0.4f, 1e-6f);
    EXPECT_NEAR(dark.saturation, 0.5f, 1e-6f);
    EXPECT_NEAR(dark.hue, 3.5f / 6.0f, 1e-6f);
    // l = 0.75 > 0.5: s = d / (2 - mx - mn) = 0.5 / 0.5.
    const HslColor light = rgbToHsl(1.0f, 0.5f, 0.75f);
    EXPECT_NEAR(light.lightness, 0.75f, 1e-6f);
    EXPECT_NEAR(light.saturation, 1.0f, 1e-6f);
    // Red maximum, green minimum: 5 + b' = 5 + 0.25/0.5.
    EXPECT_NEAR(light.hue, 5.5f / 6.0f, 1e-6f);
}

TEST(HslToRgb, EverySectorAtItsMiddle) {
    // l 0.5, s 1: q = 1, p = 0, and rise = fall = 0.5 at f = 0.5.
    expectRgb(hslToRgb({0.5f / 6, 1, 0.5f}), 1, 0.5f, 0);
    expectRgb(hslToRgb({1.5f / 6, 1, 0.5f}), 0.5f, 1, 0);
    expectRgb(hslToRgb({2.5f / 6, 1, 0.5f}), 0, 1, 0.5f);
    expectRgb(hslToRgb({3.5f / 6, 1, 0.5f}), 0, 0.5f, 1);
    expectRgb(hslToRgb({4.5f / 6, 1, 0.5f}), 0.5f, 0, 1);
    expectRgb(hslToRgb({5.5f / 6, 1, 0.5f}), 1, 0, 0.5f);
}

TEST(HslToRgb, HueOneComposesLikeHueZero) {
    const RgbColor zero = hslToRgb({0, 0.6f, 0.3f});
    const RgbColor one = hslToRgb({1, 0.6f, 0.3f});
    EXPECT_EQ(zero.red, one.red);
    EXPECT_EQ(zero.green, one.green);
    EXPECT_EQ(zero.blue, one.blue);
    // l 0.3, s 0.6: q = 0.3 * 1.6 = 0.48, p = 0.12; sector 0 at f = 0: (q, p, p).
    expectRgb(one, 0.48f, 0.12f, 0.12f);
    // A hue above 1 is sector 0 with its own fraction: 6 * 1.25 = 7.5, f = 0.5, rise = 0.3.
    expectRgb(hslToRgb({1.25f, 0.6f, 0.3f}), 0.48f, 0.3f, 0.12f);
}

TEST(HslToRgb, LightBranchGreysAndBlack) {
    // l 0.75, s 0.5: q = 0.75 + 0.5 - 0.375 = 0.875, p = 0.625; hue 0.5 is sector 3 at f 0.
    expectRgb(hslToRgb({0.5f, 0.5f, 0.75f}), 0.625f, 0.875f, 0.875f);
    expectRgb(hslToRgb({0.3f, 0, 0.42f}), 0.42f, 0.42f, 0.42f);
    expectRgb(hslToRgb({0.3f, 1, 0}), 0, 0, 0);
    // A negative hue (only Dice can make one) still gives a defined colour: sector 0.
    const RgbColor negative = hslToRgb({-0.5f, 1, 0.5f});
    EXPECT_EQ(negative.red, 1.0f);
    const RgbColor huge = hslToRgb({1e20f, 1, 0.5f});
    EXPECT_EQ(huge.red, 1.0f);
}

TEST(HslRoundTrip, ColoursComeBack) {
    const RgbColor colours[] = {{0.8f, 0.3f, 0.1f}, {0.1f, 0.7f, 0.4f}, {0.25f, 0.5f, 0.9f}, {0.9f, 0.9f, 0.2f}};
    for (const RgbColor& c : colours) {
        expectRgb(hslToRgb(rgbToHsl(c)), c.red, c.green, c.blue);
    }
}

}  // namespace

TEST(HslSaturation, EqualsTheFullDecompositionsSaturationBitForBit) {
    // Every colour of a 0..1.2 grid in steps of 0.05 in single precision
    // (black, greys, both lightness branches, values past 1), and hand values:
    // (0.2, 0.4, 0.6) has l = 0.4, so s = (max - min) / (max + min).
    EXPECT_EQ(hslSaturation(0.2f, 0.4f, 0.6f), (0.6f - 0.2f) / (0.6f + 0.2f));
    // (0.9, 0.5, 0.7) has l = 0.7, so s = (max - min) / (2 - max - min).
    EXPECT_EQ(hslSaturation(0.9f, 0.5f, 0.7f), (0.9f - 0.5f) / (2.0f - 0.9f - 0.5f));
    EXPECT_EQ(hslSaturation(0, 0, 0), 0.0f);
    EXPECT_EQ(hslSaturation(0.3f, 0.3f, 0.3f), 0.0f);
    for (int r = 0; r <= 24; ++r)
        for (int g = 0; g <= 24; ++g)
            for (int b = 0; b <= 24; ++b) {
                const float red = float(r) * 0.05f, green = float(g) * 0.05f, blue = float(b) * 0.05f;
                const float full = rgbToHsl(red, green, blue).saturation;
                const float alone = hslSaturation(red, green, blue);
                ASSERT_EQ(std::memcmp(&alone, &full, 4), 0) << red << " " << green << " " << blue;
            }
}
