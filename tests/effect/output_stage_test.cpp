// The output stage: scaling, transparency, spill, grey collapse, limits, and
// the host, preview and internal-image writes. Expected values are worked out
// from the stage's formulas in the comments.
#include "effect/output_stage.h"

#include "effect/tiled_image.h"
#include "kernels/blend_modes.h"
#include "kernels/speed_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Stage {
    UserSettings settings = defaultUserSettings();
    BlendTables blend;
    RenderContext context;
    std::vector<uint8_t> in, out;

    Stage(int32_t valueClass, bool rgb, bool transparency, int32_t width = 4) {
        buildBlendTables(&blend);
        context.blend = &blend;
        OutputTarget& t = context.target;
        t.valueClass = valueClass;
        t.rgb = rgb;
        t.threeChannelLayout = rgb;
        t.hasTransparency = transparency;
        const int colour = rgb ? 3 : 1;
        t.planes = colour + (transparency ? 1 : 0);
        t.inPixelSamples = t.planes;
        t.outLayerPlanes = colour;
        t.width = width;
        t.height = 1;
        const int bytes = valueClass == kValues8 ? 1 : valueClass == kValues16 ? 2 : 4;
        in.assign(size_t(width) * t.planes * bytes, 0);
        out.assign(size_t(width) * t.planes * bytes, 0);
        t.inData = in.data();
        t.outData = out.data();
        t.inRowBytes = t.outRowBytes = int32_t(width * t.planes * bytes);
        t.passLastColumn = width - 1;
        t.passLastRow = 0;
    }
    void store(int32_t x, float r, float g, float b, float coverage = 1.0f) {
        context.setup = makeEffectSetup(settings, 1, 1);
        storePixel(context, x, 0, EffectColor{r, g, b, coverage});
    }
    int32_t out8(int index) const { return out[size_t(index)]; }
    int32_t out16(int index) const {
        uint16_t v;
        std::memcpy(&v, out.data() + 2 * index, 2);
        return v;
    }
    float outFloat(int index) const {
        float v;
        std::memcpy(&v, out.data() + 4 * index, 4);
        return v;
    }
};

TEST(OutputStageSpill, OneChannelOverTheMaximumFeedsTheOtherTwo) {
    // Red 1.2 x 255 = 306 (1.2f x 255 truncates to 306): E = 51,
    // q = floor(51 x 60 / 256) = 11, h = 5: green and blue gain 5, red limited.
    Stage s(kValues8, true, false);
    s.store(1, 1.2f, 0.0f, 0.0f);
    EXPECT_EQ(s.out8(3), 255);
    EXPECT_EQ(s.out8(4), 5);
    EXPECT_EQ(s.out8(5), 5);
}

TEST(OutputStageSpill, OverflowOfTheFirstReceiverPassesToTheSecond) {
    // T = (510, 252, 127): E = 255, q = floor(15300 / 256) = 59, h = 29;
    // P' = 281 > 255 so Q' = 127 + 29 + 26 = 182; then every channel limited.
    Stage s(kValues8, true, false);
    s.store(0, 2.0f, 0.99f, 0.5f);
    EXPECT_EQ(s.out8(0), 255);
    EXPECT_EQ(s.out8(1), 255);
    EXPECT_EQ(s.out8(2), 182);
}

TEST(OutputStageSpill, TwoChannelsOverSendAllToTheThirdAndThreeMoveNothing) {
    // Two over: E = 102, q = floor(6120 / 256) = 23 into blue.
    Stage s(kValues8, true, false);
    s.store(0, 1.2f, 1.2f, 0.0f);
    EXPECT_EQ(s.out8(0), 255);
    EXPECT_EQ(s.out8(1), 255);
    EXPECT_EQ(s.out8(2), 23);
    s.store(1, 1.2f, 1.2f, 1.2f);
    EXPECT_EQ(s.out8(3), 255);
    EXPECT_EQ(s.out8(4), 255);
    EXPECT_EQ(s.out8(5), 255);
}

TEST(OutputStageSpill, SixteenBitSpillUsesTheHostMaximum) {
    // 1.25 x 32768 = 40960 in green: E = 8192, q = floor(491520 / 256) = 1920,
    // h = 960 into red (P) and blue (Q).
    Stage s(kValues16, true, false);
    s.store(0, 0.0f, 1.25f, 0.5f);
    EXPECT_EQ(s.out16(0), 960);
    EXPECT_EQ(s.out16(1), 32768);
    EXPECT_EQ(s.out16(2), 16384 + 960);
}

TEST(OutputStage, NegativeValuesBecomeZero) {
    Stage s(kValues8, true, false);
    s.store(0, -0.5f, 0.5f, -2.0f);
    EXPECT_EQ(s.out8(0), 0);
    EXPECT_EQ(s.out8(1), 127);  // 0.5 x 255 = 127.5 truncates
    EXPECT_EQ(s.out8(2), 0);
}

TEST(OutputStage, GreyImagesTakeTheLumaOfTheSpilledColour) {
    // T = (255, 127, 0): floor((77 x 255 + 150 x 127) / 256) = floor(38685 / 256) = 151.
    Stage s(kValues8, false, false);
    s.store(2, 1.0f, 0.5f, 0.0f);
    EXPECT_EQ(s.out8(2), 151);
    // Red over the maximum spills first, and the luma is taken before the
    // limit: T = (306, 5, 5): floor((23562 + 750 + 140) / 256) = floor(24452 / 256) = 95.
    s.store(3, 1.2f, 0.0f, 0.0f);
    EXPECT_EQ(s.out8(3), 95);
    // A floating value far past the range truncates to 2^31 - 1; its luma
    // is then far over the maximum and limited to it (no overflow on the way).
    s.store(1, 3.0e9f, 0.0f, 0.0f);
    EXPECT_EQ(s.out8(1), 255);
}

TEST(OutputStage, TransparencyIsTheCoverageTimes1007) {
    // 0.994 x 255 = 253.47, x 1.007 = 255.2 -> 255; 0.99: 252.45 x 1.007 = 254.2 -> 254.
    Stage s(kValues8, true, true);
    s.store(0, 0.5f, 0.5f, 0.5f, 0.994f);
    EXPECT_EQ(s.out8(3), 255);
    s.store(1, 0.5f, 0.5f, 0.5f, 0.99f);
    EXPECT_EQ(s.out8(7), 254);
    s.store(2, 0.5f, 0.5f, 0.5f, 0.0f);
    EXPECT_EQ(s.out8(11), 0);
    // 16-bit: 0.5 x 32768 = 16384, x 1.007 = 16498.7 -> 16498.
    Stage t(kValues16, true, true);
    t.store(0, 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_EQ(t.out16(3), 16498);
}

TEST(OutputStage, FloatingImagesAreNeitherLimitedNorBlended) {
    Stage s(kValuesFloat, true, true);
    s.settings.glue = 9;  // multiply would change an integer image
    s.store(0, 1.5f, -0.25f, 0.5f, 1.5f);
    EXPECT_EQ(s.outFloat(0), 1.5f);
    EXPECT_EQ(s.outFloat(1), -0.25f);
    EXPECT_EQ(s.outFloat(2), 0.5f);
    EXPECT_EQ(s.outFloat(3), 1.0f);  // the coverage alone is limited to 1
}

TEST(OutputStage, FloatingGreyCollapse) {
    Stage s(kValuesFloat, false, false);
    s.store(0, 1.0f, 1.0f, 1.0f);
    // (77 + 150 + 28) x 0.003921568627451 = 255 / 255.
    EXPECT_NEAR(s.outFloat(0), 1.0f, 1e-6f);
}

TEST(OutputStage, BlendModesApplyToIntegerImages) {
    // Multiply: floor(T x S / 256) with T = 255, S = 128 -> 127.
    Stage s(kValues8, true, false);
    s.settings.glue = 9;
    s.in[0] = s.in[1] = s.in[2] = 128;
    s.store(0, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(s.out8(0), 127);
    // Normal keeps the worked value.
    s.settings.glue = 1;
    s.store(0, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(s.out8(0), 255);
}

TEST(OutputStagePreview, EightBitWeightsRunTo256) {
    // Fully selected: a = 256, the value itself; unselected: the checkerboard.
    Stage s(kValues8, true, false, 16);
    s.context.renderTarget = renderPreview;
    std::vector<uint8_t> mask(16, 255);
    mask[9] = 0;
    mask[10] = 128;  // w8 = 129 over a dark square: floor((129 x 200 + 127 x 204) / 256) = floor(51708 / 256) = 201
    s.context.target.haveMask = true;
    s.context.target.maskData = mask.data();
    s.context.target.maskRowBytes = 16;
    s.context.target.maskFirstRow = 0;
    s.context.target.maskLastRow = 0;
    const float v = 200.5f / 255.0f;  // truncates to 200
    s.store(0, v, v, v);
    EXPECT_EQ(s.out8(0), 200);
    s.store(9, v, v, v);
    EXPECT_EQ(s.out8(27), 204);  // x = 9, y = 0: bit 3 of 9 is set, a dark square
    s.store(10, v, v, v);
    EXPECT_EQ(s.out8(30), 201);
    s.store(4, v, v, v);
    EXPECT_EQ(s.out8(12), 200);
}

TEST(OutputStagePreview, SixteenBitFullSelectionShows255Of256) {
    // a = 255: floor((255 x 32768 + 0 x bg) / 256) = 32640.
    Stage s(kValues16, true, false);
    s.context.renderTarget = renderPreview;
    s.store(0, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(s.out16(0), 32640);
    // Outside the pass columns the weight is 0 and the light square shows:
    // floor((0 + 255 x 32640) / 256) = 32512.
    s.context.target.passLastColumn = 0;
    s.store(1, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(s.out16(3), 32512);
}

TEST(OutputStagePreview, TransparencyWeightsTheResultAndShowsOpaque) {
    // 8-bit: A = 255 (coverage 1 x 255 x 1.007 limited), w8 = 256, a = floor(256 x 255 / 256) = 255:
    // floor((255 x 100 + 1 x 255) / 256) = floor(25755 / 256) = 100.
    Stage s(kValues8, true, true);
    s.context.renderTarget = renderPreview;
    const float v = 100.5f / 255.0f;
    s.store(0, v, v, v, 1.0f);
    EXPECT_EQ(s.out8(0), 100);
    EXPECT_EQ(s.out8(3), 255);
}

TEST(OutputStageInternal, SixteenBitValuesBecomeEightBitInAPackedImage) {
    Pyramid image;
    ASSERT_TRUE(image.create(systemMemoryService(), 4, 1, kStoragePacked8, kEdgeNoLevels));
    Stage s(kValues16, true, false);
    s.context.renderTarget = renderInternalImage;
    s.context.internal = &image;
    // 32767 -> 255 (v + 1 = 32768); 0.5 x 32768 = 16384 -> floor(16385 / 128) = 128.
    s.store(0, 32767.0f / 32768.0f, 0.5f, 0.0f, 1.0f);
    uint32_t channels[4];
    readChannels(0, 0, image, 0, channels);
    EXPECT_EQ(channels[0], 255u);
    EXPECT_EQ(channels[1], 128u);
    EXPECT_EQ(channels[2], 0u);
    EXPECT_EQ(channels[3], 255u);  // coverage 1: 32768 x 1.007 limited to 32768 -> 255
}

TEST(OutputStageInternal, FloatValuesAreSquareRootEncodedInAPackedImage) {
    Pyramid image;
    ASSERT_TRUE(image.create(systemMemoryService(), 2, 1, kStoragePacked8, kEdgeNoLevels));
    Stage s(kValuesFloat, true, false);
    s.context.renderTarget = renderInternalImage;
    s.context.internal = &image;
    // trunc(255 x sqrt(0.25)) = 127; sqrt(4) limits to 255; negative -> 0.
    s.store(1, 0.25f, 4.0f, -1.0f, 1.0f);
    uint32_t channels[4];
    readChannels(1, 0, image, 0, channels);
    EXPECT_EQ(channels[0], 127u);
    EXPECT_EQ(channels[1], 255u);
    EXPECT_EQ(channels[2], 0u);
    EXPECT_EQ(channels[3], 255u);
}

}  // namespace

namespace {
// The batch store against storePixel one pixel at a time, at every vector
// level, over values at the edges of the finish: just below and at the point
// where a channel spills (maximum + 1), negative and huge values, NaN, the
// transparency's limits, for 8- and 16-bit, RGB and grey, with and without a
// glue mode that reads the source.
TEST(OutputStageBatch, EveryLaneStoresWhatThePerPixelStageStores) {
    const float edges[] = {0.0f, -0.0f, 1.0f, 0.5f, -0.3f, -1.5f, -3e9f, 3e9f, 1.0f + 0.9f / 255.0f,
                           1.0f + 1.0f / 255.0f, 1.0f + 1.1f / 255.0f, 1.0f + 1.0f / 32768.0f,
                           1.0f + 0.99f / 32768.0f, 2.0f, std::nanf(""), 0.999f};
    constexpr int kCount = int(sizeof edges / sizeof edges[0]);
    uint32_t state = 7;
    const auto pick = [&] {
        state = state * 1103515245u + 12345u;
        return edges[(state >> 16) % kCount];
    };
    for (const int32_t valueClass : {kValues8, kValues16}) {
        for (const bool rgb : {true, false}) {
            for (const int32_t glue : {1, 3}) {
                for (const SimdLevel level : {SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
                    if (level > supportedSimdLevel()) continue;
                    Stage one(valueClass, rgb, true, kPixelBatch), batched(valueClass, rgb, true, kPixelBatch);
                    for (size_t i = 0; i < one.in.size(); ++i) one.in[i] = batched.in[i] = uint8_t(i * 37);
                    one.settings.glue = batched.settings.glue = glue;
                    one.context.setup = makeEffectSetup(one.settings, 1, 1);
                    batched.context.setup = one.context.setup;
                    PixelBatch batch{};
                    batch.count = kPixelBatch - 3;  // the last lanes are not stored
                    for (int i = 0; i < kPixelBatch; ++i) {
                        batch.red[i] = pick();
                        batch.green[i] = pick();
                        batch.blue[i] = pick();
                        batch.coverage[i] = i % 4 == 0 ? pick() : float(i) / kPixelBatch;
                        if (i < batch.count)
                            storePixel(one.context, i, 0,
                                       EffectColor{batch.red[i], batch.green[i], batch.blue[i], batch.coverage[i]});
                    }
                    storePixelBatch(batched.context, pixelOutputFor(batched.context), 0, 0, batch, level);
                    EXPECT_EQ(one.out, batched.out) << "class " << valueClass << " rgb " << rgb << " glue " << glue
                                                    << " level " << simdLevelName(level);
                }
            }
        }
    }
}
}  // namespace
