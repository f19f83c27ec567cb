// The filter's result does not depend on how it runs: every job count and
// every vector level gives the bytes of one thread on the scalar path, over
// detailed documents of odd sizes at 8, 16 and 32 bits and several glue modes.
#include "harness.h"

#include "host/descriptor_suite.h"
#include "host/descriptor_suite_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

// A detailed picture with edges, gradients and noise in every channel (a
// stand-in for a photograph), with a transparency ramp when `alpha`.
Document detailedDocument(int32_t width, int32_t height, int32_t channels, bool alpha, SampleDepth depth) {
    Document d;
    std::string error;
    EXPECT_TRUE(makeDocument(d, width, height, channels, alpha, depth, error)) << error;
    uint32_t noise = 12345;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            for (int32_t c = 0; c < d.planes(); ++c) {
                noise = noise * 1103515245u + 12345u;
                double v = 0.5 + 0.4 * double((x * (c + 2) + y * (3 - c % 3)) % 97) / 97.0 - 0.2;
                if (((x / 37) + (y / 23)) % 3 == 0) v = 1.0 - v;  // hard edges
                v += double((noise >> 16) & 255) / 255.0 * 0.2 - 0.1;
                if (c == channels) v = double(x + y) / double(width + height);  // transparency
                v = v < 0 ? 0 : (v > 1 ? 1 : v);
                uint8_t* s = d.pixel(x, y);
                if (depth == SampleDepth::eight) {
                    s[c] = uint8_t(v * 255);
                } else if (depth == SampleDepth::sixteen) {
                    const uint16_t h = uint16_t(v * 32768);
                    std::memcpy(s + 2 * c, &h, 2);
                } else {
                    const float f = float(v * 1.25);  // floating images may pass 1
                    std::memcpy(s + 4 * c, &f, 4);
                }
            }
        }
    }
    return d;
}

// Settings that exercise every stage: distance blur, colour blur,
// saturation past its sign change, dampen, vignette and sepia, in a shape.
Descriptor strongSettings(int32_t glue, bool highQuality, int32_t shape, bool centred) {
    Descriptor settings;
    settings.put(integerItem(fourCC("0007"), 80));  // focus
    settings.put(integerItem(fourCC("0011"), 70));  // color blur
    settings.put(integerItem(fourCC("0012"), 30));  // CB width
    settings.put(integerItem(fourCC("0013"), 5));   // saturation
    settings.put(integerItem(fourCC("0009"), 40));  // dampen
    settings.put(integerItem(fourCC("0008"), 30));  // vignette
    settings.put(integerItem(fourCC("0010"), 60));  // sepia
    settings.put(integerItem(fourCC("0017"), 20));  // clear area
    settings.put(booleanItem(fourCC("0021"), highQuality));
    settings.put(enumeratedItem(fourCC("MLky"), fourCC("MLty"), fourCC(shape == 2 ? "ML02" : shape == 3 ? "ML03" : "ML01")));
    settings.put(booleanItem(fourCC("0016"), centred));  // center vignette
    settings.put(booleanItem(fourCC("0014"), centred));  // uniform sepia
    const char code[5] = {'G', 'L', char('0' + glue / 10), char('0' + glue % 10), 0};
    settings.put(enumeratedItem(fourCC("GLUE"), fourCC("GLty"), fourCC(code)));
    return settings;
}

std::vector<uint8_t> filtered(const Document& source, const Descriptor& settings, int32_t jobs, int32_t simd) {
    EXPECT_TRUE(pluginUnderTest().applySpeed(jobs, simd));
    DescriptorSuiteHost suite(DescriptorSuiteConfig{}, &settings);
    HostConfig config;
    config.descriptorParameters = suite.parameters();
    TestHost host(source, config);
    const FilterRunResult run = host.run();
    EXPECT_EQ(run.result, 0);
    std::vector<uint8_t> out = host.document.samples;
    pluginUnderTest().applySpeed(0, 3);
    return out;
}

size_t differingBytes(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return a.size() + b.size();
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

struct Case {
    SampleDepth depth;
    int32_t channels;
    bool alpha;
    int32_t glue;
    bool highQuality;
    int32_t shape;
    bool centred;  // vignette about the image's centre, uniform sepia
};

// 8-bit RGB with transparency, 16-bit RGB, float RGB and 8-bit grey; glue
// modes normal, a channel mode (multiply), a colour-space mode (color), the
// colour-wheel mode (frontal) and an opponent-colour mode (parietal).
const Case kCases[] = {
    {SampleDepth::eight, 3, true, 1, false, 1, false},    {SampleDepth::eight, 3, false, 53, true, 2, true},
    {SampleDepth::eight, 1, false, 15, false, 3, false},  {SampleDepth::sixteen, 3, false, 54, true, 1, false},
    {SampleDepth::sixteen, 3, true, 3, false, 3, true},   {SampleDepth::floating, 3, false, 1, true, 2, false},
    {SampleDepth::floating, 3, true, 1, false, 1, true},
};

TEST(Speed, EveryJobCountAndVectorLevelGivesTheOneThreadScalarResult) {
    // 523 columns cross a tile edge; 7 jobs leave uneven spans.
    for (const Case& c : kCases) {
        const Document source = detailedDocument(523, 301, c.channels, c.alpha, c.depth);
        const Descriptor settings = strongSettings(c.glue, c.highQuality, c.shape, c.centred);
        const std::vector<uint8_t> reference = filtered(source, settings, 1, 0);
        ASSERT_NE(differingBytes(reference, source.samples), 0u) << "the filter changed nothing";
        for (int32_t jobs : {2, 3, 7}) {
            EXPECT_EQ(differingBytes(filtered(source, settings, jobs, 0), reference), 0u)
                << "jobs " << jobs << ", glue " << c.glue << ", depth " << int(c.depth);
        }
        // SSE2, AVX2 and AVX-512 (each capped at what this CPU runs), and
        // the best level with two threads.
        for (const auto& [simd, jobs] : {std::pair{1, 1}, std::pair{2, 1}, std::pair{3, 1}, std::pair{3, 2}}) {
            EXPECT_EQ(differingBytes(filtered(source, settings, jobs, simd), reference), 0u)
                << "simd " << simd << ", jobs " << jobs << ", glue " << c.glue << ", depth " << int(c.depth);
        }
    }
}

}  // namespace
