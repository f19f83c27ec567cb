// The per-pixel effect on small pyramids made in the test. Flat images make
// the samplers return the stored colour, so each stage can be checked by hand.
#include "effect/effect_pipeline.h"

#include "effect/tiled_image.h"
#include "kernels/samplers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct Scene {
    WeightTables weights{};
    Pyramid pyramid;
    UserSettings settings = defaultUserSettings();
    RenderContext context;

    Scene(int width, int height, int type) {
        buildWeightTables(weights);
        pyramid.weights = &weights;
        EXPECT_TRUE(pyramid.create(systemMemoryService(), width, height, type, kEdgeClamp));
        context.source = &pyramid;
        context.weights = &weights;
        context.extentWidth = width;
        context.extentHeight = height;
    }
    void fillPacked(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        for (int y = 0; y < pyramid.height[0]; ++y)
            for (int x = 0; x < pyramid.width[0]; ++x) writePacked8(x, y, pyramid, 0, r, g, b, a);
        buildPyramidLevels(pyramid, 0);
    }
    void fillFloat(float r, float g, float b, float a) {
        for (int y = 0; y < pyramid.height[0]; ++y)
            for (int x = 0; x < pyramid.width[0]; ++x) writeFloat4(x, y, pyramid, 0, r, g, b, a);
        buildPyramidLevels(pyramid, 0);
    }
    // Every stage that changes a colour off, unless a test turns it on.
    void plain() {
        settings.focus = 0;
        settings.colorBlur = 0;
        settings.saturation = 50;
        settings.dampen = 0;
        settings.vignette = 0;
        settings.sepia = 0;
    }
    EffectColor pixel(int x, int y) {
        context.setup = makeEffectSetup(settings, context.extentWidth, context.extentHeight);
        return workPixel(context, x, y);
    }
};

constexpr float kInverse255 = 1.0f / 255.0f;

TEST(EffectSetup, ConstantsFollowTheSettings) {
    UserSettings s = defaultUserSettings();
    EffectSetup e = makeEffectSetup(s, 300, 200);
    // 0.36f squared is 0.1296, times 5.12 = 0.663552.
    EXPECT_NEAR(e.focusGain, 0.663552f, 1e-6f);
    EXPECT_FLOAT_EQ(e.saturationSlope, 0.0f);
    EXPECT_FLOAT_EQ(e.dampenGain, 0.4f);
    EXPECT_FLOAT_EQ(e.vignetteGain, 2.28f);
    EXPECT_FLOAT_EQ(e.blurWidth, 0.4f);
    EXPECT_FLOAT_EQ(e.blurGain, 0.0f);
    // 0.42 / sqrt(2) = 0.29698485 for the round area.
    EXPECT_FLOAT_EQ(e.clearRadius, 0.29698485f);
    EXPECT_FLOAT_EQ(e.extent, 300.0f);
    // The default sepia colour 32639 / 65535 = 0.49804.
    EXPECT_NEAR(e.sepiaColor[0], 0.498039f, 1e-6f);
    s.saturation = 0;
    s.shape = shapeWide;
    s.vignette = 25;
    s.vignetteColor = {65535, 0, 32768};
    s.colorBlur = 100;
    e = makeEffectSetup(s, 10, 20);
    EXPECT_FLOAT_EQ(e.saturationSlope, -2.0f);
    EXPECT_FLOAT_EQ(e.clearRadius, 0.21f);
    EXPECT_FLOAT_EQ(e.vignetteGain, 1.0f);
    EXPECT_FLOAT_EQ(e.blurGain, 2.0f);
    EXPECT_NEAR(e.vignetteSquared[0], 1.0f, 1e-4f);
    EXPECT_EQ(e.vignetteSquared[1], 0.0f);
    EXPECT_NEAR(e.vignetteSquared[2], 0.25f, 1e-4f);
    EXPECT_FLOAT_EQ(e.extent, 20.0f);
}

TEST(EffectFalloff, BandsMeasureOneAxisOnly) {
    // On the row through the centre a wide band gives d = 0 in every column.
    for (float u : {0.0f, 0.3f, 0.99f}) {
        EXPECT_LE(falloffDistance(shapeWide, u, 0.5f, 0.5f, 0.5f, 0.21f), 0.0f);
        EXPECT_LE(falloffDistance(shapeTall, 0.5f, u, 0.5f, 0.5f, 0.21f), 0.0f);
    }
    EXPECT_FLOAT_EQ(falloffDistance(shapeWide, 0.1f, 0.9f, 0.5f, 0.5f, 0.1f), 0.3f);
    EXPECT_FLOAT_EQ(falloffDistance(shapeTall, 0.9f, 0.1f, 0.5f, 0.5f, 0.1f), 0.3f);
    // Round: the distance on both axes, 0.3-0.4-0.5.
    EXPECT_FLOAT_EQ(falloffDistance(shapeRound, 0.8f, 0.9f, 0.5f, 0.5f, 0.0f), 0.5f);
    // An unknown shape measures like the round one.
    EXPECT_FLOAT_EQ(falloffDistance(7, 0.8f, 0.9f, 0.5f, 0.5f, 0.0f), 0.5f);
}

TEST(EffectPipeline, InsideTheClearAreaTheSourceComesThrough) {
    Scene scene(8, 8, kStoragePacked8);
    scene.fillPacked(128, 128, 128, 255);
    // Defaults: the pixel at the centre is inside the round clear area, d = 0.
    const EffectColor k = scene.pixel(4, 4);
    EXPECT_FLOAT_EQ(k.red, 128 * kInverse255);
    EXPECT_FLOAT_EQ(k.green, 128 * kInverse255);
    EXPECT_FLOAT_EQ(k.blue, 128 * kInverse255);
    EXPECT_FLOAT_EQ(k.coverage, 1.0f);
}

TEST(EffectPipeline, VignetteTwentyFiveReachesItsColourAtDistanceOne) {
    Scene scene(2, 2, kStoragePacked8);
    scene.fillPacked(200, 200, 200, 255);
    scene.plain();
    scene.settings.vignette = 25;
    scene.settings.shape = shapeTall;
    scene.settings.clearArea = 0;
    // Column 1 of 2: u = 0.75, so a centre at -0.25 puts it at distance 1.
    scene.settings.xCenter = -0.25f;
    EffectColor k = scene.pixel(1, 0);
    EXPECT_EQ(k.red, 0.0f);
    EXPECT_EQ(k.blue, 0.0f);
    scene.settings.vignetteColor = {65535, 65535, 65535};
    k = scene.pixel(1, 0);
    EXPECT_NEAR(k.red, 1.0f, 1e-4f);
    // Half way (d = 0.5): g = sqrt(g^2 + (q^2 - g^2) / 2) with g = 200/255, q = 1.
    scene.settings.xCenter = 0.25f;
    k = scene.pixel(1, 0);
    const float g = 200 * kInverse255;
    EXPECT_NEAR(k.green, std::sqrt((g * g + 1.0f) / 2), 1e-5f);
}

TEST(EffectPipeline, CentreVignetteWorksInsideTheClearArea) {
    Scene scene(2, 2, kStoragePacked8);
    scene.fillPacked(200, 200, 200, 255);
    scene.plain();
    scene.settings.vignette = 25;
    scene.settings.shape = shapeTall;
    scene.settings.clearArea = 0;
    scene.settings.xCenter = 0.75f;  // the pixel itself: d = 0
    EXPECT_FLOAT_EQ(scene.pixel(1, 0).red, 200 * kInverse255);
    scene.settings.centerVignette = 1;
    // Measured from the image centre: e = 0.25, n = 0.25, black: g x sqrt(0.75).
    EXPECT_NEAR(scene.pixel(1, 0).red, 200 * kInverse255 * std::sqrt(0.75f), 1e-5f);
}

TEST(EffectPipeline, SaturationZeroGreysAtHalfDistanceAndFlipsTheHueBeyond) {
    Scene scene(2, 2, kStoragePacked8);
    scene.fillPacked(204, 102, 102, 255);
    scene.plain();
    scene.settings.saturation = 0;
    scene.settings.shape = shapeTall;
    scene.settings.clearArea = 0;
    scene.settings.xCenter = 0.25f;  // d = 0.5: s' = s x (0.5 x -2 + 1) = 0
    EffectColor k = scene.pixel(1, 0);
    EXPECT_NEAR(k.red, k.green, 1e-6f);
    EXPECT_NEAR(k.green, k.blue, 1e-6f);
    // Lightness (204 + 102) / 2 / 255 = 0.6.
    EXPECT_NEAR(k.red, 0.6f, 1e-5f);
    // d = 1: s' = -s, so the same saturation on the complement: 102, 204, 204.
    scene.settings.xCenter = -0.25f;
    k = scene.pixel(1, 0);
    EXPECT_NEAR(k.red, 0.4f, 1e-5f);
    EXPECT_NEAR(k.green, 0.8f, 1e-5f);
    EXPECT_NEAR(k.blue, 0.8f, 1e-5f);
}

TEST(EffectPipeline, SaturationFiftyLeavesColoursAlone) {
    Scene scene(2, 2, kStoragePacked8);
    scene.fillPacked(204, 102, 51, 255);
    scene.plain();
    scene.settings.shape = shapeTall;
    scene.settings.clearArea = 0;
    scene.settings.xCenter = -0.25f;
    const EffectColor k = scene.pixel(1, 0);
    EXPECT_NEAR(k.red, 0.8f, 1e-5f);
    EXPECT_NEAR(k.green, 0.4f, 1e-5f);
    EXPECT_NEAR(k.blue, 0.2f, 1e-5f);
}

TEST(EffectPipeline, DampenDarkensSaturatedColoursOnly) {
    Scene scene(2, 2, kStoragePacked8);
    scene.fillPacked(204, 102, 102, 255);
    scene.plain();
    scene.settings.dampen = 10;
    scene.settings.shape = shapeTall;
    scene.settings.clearArea = 0;
    scene.settings.xCenter = 0.25f;  // d = 0.5
    // sigma = (0.8 - 0.4) / (0.8 + 0.4) = 1/3; k = 0.5 x 0.1 x 7 / 3 = 0.11667.
    const float k = 0.5f * 0.1f * 7 / 3;
    EffectColor c = scene.pixel(1, 0);
    EXPECT_NEAR(c.red, 0.8f * (1 - k), 1e-5f);
    EXPECT_NEAR(c.green, 0.4f * (1 - k), 1e-5f);
    scene.fillPacked(102, 102, 102, 255);
    c = scene.pixel(1, 0);
    EXPECT_FLOAT_EQ(c.red, 102 * kInverse255);
}

TEST(EffectPipeline, UniformSepiaTonesMidGreyToTheSepiaColour) {
    Scene scene(4, 4, kStorageFloat4);
    scene.fillFloat(0.5f, 0.5f, 0.5f, 1.0f);
    scene.plain();
    scene.settings.sepia = 100;
    // Inside the clear area, sepia by distance gives nothing.
    EffectColor k = scene.pixel(2, 2);
    EXPECT_FLOAT_EQ(k.red, 0.5f);
    // Uniform: strength 1 and, at Y = 0.5, tone = the sepia colour itself.
    scene.settings.uniformSepia = 1;
    k = scene.pixel(2, 2);
    EXPECT_NEAR(k.red, 32639.0f / 65535, 1e-5f);
    EXPECT_NEAR(k.green, 25186.0f / 65535, 1e-5f);
    EXPECT_NEAR(k.blue, 17476.0f / 65535, 1e-5f);
}

TEST(EffectPipeline, FocusZeroSamplesLevelZeroEverywhere) {
    Scene scene(16, 16, kStoragePacked8);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            writePacked8(x, y, scene.pyramid, 0, uint32_t(x * 16), uint32_t(y * 16), 128, 255);
    buildPyramidLevels(scene.pyramid, 0);
    scene.plain();
    // The corner pixel is far outside the clear area.
    const float u = 0.5f / 16, v = 0.5f / 16;
    const EffectColor expected = sampleFast(scene.pyramid, 0, 0.0f, u, v);
    EffectColor k = scene.pixel(0, 0);
    EXPECT_NEAR(k.red, expected.red, 1e-5f);
    EXPECT_NEAR(k.green, expected.green, 1e-5f);
    // With focus the same pixel is sampled from a blurred level.
    scene.settings.focus = 100;
    k = scene.pixel(0, 0);
    EXPECT_GT(std::fabs(k.green - expected.green), 1e-3f);
}

TEST(EffectPipeline, ZeroCoverageSkipsTheColourBlurOnly) {
    Scene scene(16, 16, kStoragePacked8);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) writePacked8(x, y, scene.pyramid, 0, uint32_t(x * 16), 60, 90, 0);
    buildPyramidLevels(scene.pyramid, 0);
    scene.plain();
    scene.settings.saturation = 0;
    const EffectColor without = scene.pixel(0, 0);
    scene.settings.colorBlur = 100;
    const EffectColor with = scene.pixel(0, 0);
    EXPECT_EQ(with.red, without.red);
    EXPECT_EQ(with.green, without.green);
    EXPECT_EQ(with.coverage, 0.0f);
    // Saturation still worked on the sample (d = 0.4 scales it by 0.2), so it is no grey.
    EXPECT_NE(without.red, without.blue);
    // With coverage the colour blur does change the same pixel.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) writePacked8(x, y, scene.pyramid, 0, uint32_t(x * 16), 60, 90, 255);
    buildPyramidLevels(scene.pyramid, 0);
    scene.settings.colorBlur = 0;
    const EffectColor opaqueWithout = scene.pixel(0, 0);
    scene.settings.colorBlur = 100;
    const EffectColor opaqueWith = scene.pixel(0, 0);
    EXPECT_NE(opaqueWith.red, opaqueWithout.red);
}

TEST(EffectPipeline, CoverageIsRaisedBy1007AndLimited) {
    Scene scene(4, 4, kStorageFloat4);
    scene.fillFloat(0.5f, 0.5f, 0.5f, 0.5f);
    scene.plain();
    EXPECT_NEAR(scene.pixel(2, 2).coverage, 0.5035f, 1e-6f);
    scene.fillFloat(0.5f, 0.5f, 0.5f, 0.995f);
    EXPECT_EQ(scene.pixel(2, 2).coverage, 1.0f);
}

TEST(EffectPipeline, RowsAreTheSameForOneAndFourJobs) {
    Scene scene(64, 8, kStoragePacked8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            writePacked8(x, y, scene.pyramid, 0, uint32_t(x * 4), uint32_t(255 - x * 3), uint32_t(y * 30), 255);
    buildPyramidLevels(scene.pyramid, 0);
    scene.settings.colorBlur = 60;
    scene.settings.sepia = 30;
    std::vector<uint8_t> one(64 * 3), four(64 * 3);
    OutputTarget& t = scene.context.target;
    t.width = 64;
    t.height = 1;
    t.planes = t.inPixelSamples = 3;
    std::vector<uint8_t> source(64 * 3, 100);
    t.inData = source.data();
    t.outData = one.data();
    runRowJobs(scene.context, 3, 0, 63, 1);
    t.outData = four.data();
    runRowJobs(scene.context, 3, 0, 63, 4);
    EXPECT_EQ(one, four);
}

}  // namespace
