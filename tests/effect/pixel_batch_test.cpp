// The colour stage a batch at a time against workColour, the per-pixel
// path, lane by lane at every vector level the CPU runs: colours chosen for
// the branches of HSL (grey, pure hues, ties between channels, lightness on
// either side of 1/2) and for values outside 0..1.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effect/effect_pipeline.h"
#include "effect/pixel_batch.h"
#include "kernels/speed_settings.h"

namespace {

struct Rgb {
    float red, green, blue;
};

const std::vector<Rgb>& testColours() {
    static const std::vector<Rgb> colours = {
        // Greys, black and white.
        {0, 0, 0}, {0.25f, 0.25f, 0.25f}, {0.5f, 0.5f, 0.5f}, {1, 1, 1},
        // Pure hues: each channel as the maximum, and the secondaries.
        {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1},
        // Two channels tied at the maximum or the minimum.
        {0.8f, 0.8f, 0.2f}, {0.2f, 0.8f, 0.8f}, {0.8f, 0.2f, 0.8f}, {0.6f, 0.3f, 0.3f}, {0.3f, 0.6f, 0.3f},
        {0.3f, 0.3f, 0.6f},
        // Lightness exactly 1/2, just below and above it.
        {0.75f, 0.25f, 0.5f}, {0.7f, 0.2f, 0.4f}, {0.8f, 0.3f, 0.6f},
        // Nearly grey, nearly black.
        {0.5f, 0.50000006f, 0.5f}, {1e-30f, 0, 0}, {0, 0, 1e-7f},
        // Outside 0..1: above white, below black, far above.
        {1.5f, 0.2f, 0.1f}, {-0.1f, 0.5f, 0.2f}, {0.4f, -0.3f, -0.2f}, {65535, 0, 1}, {2, 2, 2},
        // Ordinary colours in every sixth of the hue circle.
        {0.9f, 0.5f, 0.1f}, {0.5f, 0.9f, 0.1f}, {0.1f, 0.9f, 0.5f}, {0.1f, 0.5f, 0.9f}, {0.5f, 0.1f, 0.9f},
        {0.9f, 0.1f, 0.5f},
    };
    return colours;
}

EffectSetup setupWith(float saturationSlope, bool uniformSepia, bool centerVignette) {
    EffectSetup e{};
    e.saturationSlope = saturationSlope;
    e.dampenGain = 0.6f;
    e.vignetteGain = 0.7f;
    e.vignetteSquared[0] = 0.04f;
    e.vignetteSquared[1] = 0.01f;
    e.vignetteSquared[2] = 0.09f;
    e.sepiaGain = 0.35f;
    e.sepiaColor[0] = 0.9f;
    e.sepiaColor[1] = 0.6f;
    e.sepiaColor[2] = 0.3f;
    e.uniformSepia = uniformSepia;
    e.centerVignette = centerVignette;
    return e;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(PixelBatch, ColoursMatchThePerPixelPathLaneByLane) {
    const std::vector<Rgb>& colours = testColours();
    // A negative slope takes the saturation below 0 far out (the hue turns
    // to its complement); 0 greys everything out; 1.5 raises it past 1.
    const EffectSetup setups[] = {setupWith(-2.5f, false, false), setupWith(0, true, true),
                                  setupWith(1.5f, false, true)};
    const float distances[] = {0, 0.3f, 1.2f};
    const float mixes[] = {0, 0.4f, 1};
    int compared = 0;
    for (int s = 0; s < 3; ++s) {
        // Each colour meets each distance and mix; the blur sample is another colour.
        for (int shift = 0; shift < 3; ++shift) {
            std::vector<ColourStageInput> inputs;
            for (size_t c = 0; c < colours.size(); ++c) {
                ColourStageInput in;
                in.red = colours[c].red;
                in.green = colours[c].green;
                in.blue = colours[c].blue;
                in.distance = distances[(c + size_t(shift)) % 3];
                in.vignetteDistance = distances[(c + size_t(shift) + 1) % 3];
                const Rgb& blur = colours[(c * 7 + size_t(shift)) % colours.size()];
                in.blurRed = blur.red;
                in.blurGreen = blur.green;
                in.blurBlue = blur.blue;
                in.blurMix = mixes[(c / 3 + size_t(shift)) % 3];
                inputs.push_back(in);
            }
            for (const SimdLevel level : {SimdLevel::scalar, SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
                if (level > supportedSimdLevel()) continue;
                for (size_t first = 0; first < inputs.size(); first += kPixelBatch) {
                    PixelBatch batch{};
                    batch.count = int(std::min<size_t>(kPixelBatch, inputs.size() - first));
                    for (int i = 0; i < batch.count; ++i) {
                        const ColourStageInput& in = inputs[first + size_t(i)];
                        batch.red[i] = in.red;
                        batch.green[i] = in.green;
                        batch.blue[i] = in.blue;
                        batch.distance[i] = in.distance;
                        batch.vignetteDistance[i] = in.vignetteDistance;
                        batch.blurRed[i] = in.blurRed;
                        batch.blurGreen[i] = in.blurGreen;
                        batch.blurBlue[i] = in.blurBlue;
                        batch.blurMix[i] = in.blurMix;
                        batch.anyColourBlur = batch.anyColourBlur || in.blurMix > 0;
                    }
                    batchColours(setups[s], batch, level);
                    for (int i = 0; i < batch.count; ++i) {
                        const RgbColor expected = workColour(setups[s], inputs[first + size_t(i)]);
                        const size_t c = first + size_t(i);
                        EXPECT_TRUE(sameBits(batch.red[i], expected.red) && sameBits(batch.green[i], expected.green) &&
                                    sameBits(batch.blue[i], expected.blue))
                            << "setup " << s << ", " << simdLevelName(level) << ", colour " << c << ": lanes ("
                            << batch.red[i] << ", " << batch.green[i] << ", " << batch.blue[i] << "), per pixel ("
                            << expected.red << ", " << expected.green << ", " << expected.blue << ")";
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_GE(compared, 3 * 3 * int(colours.size()));
}
