// The sample conversions of the image files: 16-bit file against host scale,
// floats against integers, and the passes the readers apply in place.
#include "host/image_samples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

TEST(SixteenBitScale, HandPickedValues) {
    // v * 32768 / 65535 to the nearest: 1 -> 0.50001, 2 -> 1.00002, 3 -> 1.50002,
    // 32767 -> 16383.75, 65534 -> 32767.49998.
    EXPECT_EQ(fileToHost16(0), 0);
    EXPECT_EQ(fileToHost16(1), 1);
    EXPECT_EQ(fileToHost16(2), 1);
    EXPECT_EQ(fileToHost16(3), 2);
    EXPECT_EQ(fileToHost16(32767), 16384);
    EXPECT_EQ(fileToHost16(65534), 32767);
    EXPECT_EQ(fileToHost16(65535), 32768);
    // h * 65535 / 32768, halves up: 1 -> 1.99997, 16384 -> 32767.5, 32767 -> 65533.0000...
    EXPECT_EQ(hostToFile16(0), 0);
    EXPECT_EQ(hostToFile16(1), 2);
    EXPECT_EQ(hostToFile16(16384), 32768);
    EXPECT_EQ(hostToFile16(32767), 65533);
    EXPECT_EQ(hostToFile16(32768), 65535);
    EXPECT_EQ(hostToFile16(40000), 65535);  // above full scale counts as full
}

TEST(SixteenBitScale, AgreesWithRealArithmetic) {
    for (uint32_t v = 0; v <= 65535; ++v)
        ASSERT_EQ(fileToHost16(v), uint16_t(std::lround(v * 32768.0 / 65535.0))) << v;
    for (uint32_t h = 0; h <= 32768; ++h)
        ASSERT_EQ(hostToFile16(h), uint16_t(std::floor(h * 65535.0 / 32768.0 + 0.5))) << h;
}

TEST(SixteenBitScale, RoundTrips) {
    // Every host value comes back exactly from a file.
    for (uint32_t h = 0; h <= 32768; ++h) ASSERT_EQ(fileToHost16(hostToFile16(h)), h) << h;
    // A file value comes back within one step, and a second cycle changes nothing.
    int exact = 0;
    for (uint32_t v = 0; v <= 65535; ++v) {
        const uint32_t once = hostToFile16(fileToHost16(v));
        ASSERT_LE(std::abs(int(once) - int(v)), 1) << v;
        ASSERT_EQ(hostToFile16(fileToHost16(once)), once) << v;
        exact += once == v;
    }
    EXPECT_EQ(exact, 32769);  // as many as there are host values
    EXPECT_EQ(hostToFile16(fileToHost16(1)), 2u);
}

TEST(SampleConversions, EightBitAndFloat) {
    EXPECT_EQ(host16To8(0), 0);
    EXPECT_EQ(host16To8(64), 0);     // 0.498
    EXPECT_EQ(host16To8(65), 1);     // 0.506
    EXPECT_EQ(host16To8(16384), 128);  // 127.5 up
    EXPECT_EQ(host16To8(32768), 255);
    EXPECT_EQ(host16To8(50000), 255);
    EXPECT_EQ(floatTo8(-1.0f), 0);
    EXPECT_EQ(floatTo8(std::nanf("")), 0);
    EXPECT_EQ(floatTo8(1.0f / 255.0f), 1);
    EXPECT_EQ(floatTo8(0.5f), 128);
    EXPECT_EQ(floatTo8(0.998f), 254);  // 254.49
    EXPECT_EQ(floatTo8(7.0f), 255);
    EXPECT_EQ(floatToFile16(0.5f), 32768);  // 32767.5 up
    EXPECT_EQ(floatToFile16(1e-5f), 1);     // 0.655
    EXPECT_EQ(floatToFile16(INFINITY), 65535);
    EXPECT_EQ(eightToFloat(255), 1.0f);
    EXPECT_EQ(host16ToFloat(8192), 0.25f);
}

Document tinyDocument(int32_t colors, bool alpha, SampleDepth depth, int32_t width) {
    Document document;
    std::string error;
    EXPECT_TRUE(makeDocument(document, width, 1, colors, alpha, depth, error));
    return document;
}

TEST(SampleConversions, RowsInTheFilesLayout) {
    Document document = tinyDocument(3, true, SampleDepth::sixteen, 1);
    const uint16_t values[] = {32768, 1, 16384, 100};
    std::memcpy(document.samples.data(), values, sizeof values);
    uint8_t out[8] = {};
    documentRowToFile(document, 0, 16, true, true, out);  // big-endian: 65535, 2, 32768, 200
    const uint8_t expected[8] = {0xFF, 0xFF, 0x00, 0x02, 0x80, 0x00, 0x00, 0xC8};
    EXPECT_EQ(std::memcmp(out, expected, 8), 0);
    EXPECT_EQ(fileRowBytes(document, 16, true), 8u);

    uint8_t eight[3] = {};
    documentRowToFile(document, 0, 8, false, false, eight);  // alpha left out
    EXPECT_EQ(eight[0], 255);
    EXPECT_EQ(eight[1], 0);
    EXPECT_EQ(eight[2], 128);
    EXPECT_EQ(fileRowBytes(document, 8, false), 3u);
}

// Rows long enough for the whole-row paths and their tails, every layout a
// writer asks for, against values worked out by hand.
TEST(SampleConversions, WholeRowsInEveryLayout) {
    // Host value -> file value (h * 65535 / 32768, halves up; above 32768 is full).
    const uint16_t host[8] = {0, 1, 16384, 32767, 32768, 40000, 2, 100};
    const uint16_t file[8] = {0, 2, 32768, 65533, 65535, 65535, 4, 200};
    const int32_t width = 19;
    for (const int32_t colors : {1, 3}) {
        const int32_t planes = colors + 1;
        Document wide = tinyDocument(colors, true, SampleDepth::sixteen, width);
        Document narrow = tinyDocument(colors, true, SampleDepth::eight, width);
        for (int32_t i = 0; i < width * planes; ++i) {
            std::memcpy(&wide.samples[size_t(2 * i)], &host[i % 8], 2);
            narrow.samples[size_t(i)] = uint8_t(i * 29 + 7);
        }
        for (const bool withAlpha : {true, false}) {
            const int32_t keep = withAlpha ? planes : colors;
            std::vector<uint8_t> big(size_t(width * keep * 2)), little(big.size()), bytes(size_t(width * keep));
            documentRowToFile(wide, 0, 16, withAlpha, true, big.data());
            documentRowToFile(wide, 0, 16, withAlpha, false, little.data());
            documentRowToFile(narrow, 0, 8, withAlpha, false, bytes.data());
            for (int32_t x = 0; x < width; ++x) {
                for (int32_t c = 0; c < keep; ++c) {
                    const int32_t i = x * planes + c;  // the sample in the document
                    const size_t o = size_t(x * keep + c);
                    const uint16_t expected = file[i % 8];
                    ASSERT_EQ(big[2 * o], expected >> 8) << colors << withAlpha << " " << i;
                    ASSERT_EQ(big[2 * o + 1], expected & 0xFF) << colors << withAlpha << " " << i;
                    uint16_t native;
                    std::memcpy(&native, &little[2 * o], 2);
                    ASSERT_EQ(native, expected) << colors << withAlpha << " " << i;
                    ASSERT_EQ(bytes[o], uint8_t(i * 29 + 7)) << colors << withAlpha << " " << i;
                }
            }
        }
    }
}

TEST(SampleConversions, UnpremultiplyAndInvert) {
    Document rgba = tinyDocument(3, true, SampleDepth::eight, 3);
    rgba.samples = {100, 50, 200, 200, 250, 9, 1, 100, 7, 7, 7, 0};
    unpremultiplyAlpha(rgba, 255);
    // 100 * 255 / 200 = 127.5 -> 128, 63.75 -> 64, 255; 250 over alpha 100 is limited to 255,
    // 9 -> 22.95 -> 23, 1 -> 2.55 -> 3; alpha 0 leaves no colour.
    EXPECT_EQ(rgba.samples, (std::vector<uint8_t>{128, 64, 255, 200, 255, 23, 3, 100, 0, 0, 0, 0}));

    Document wide = tinyDocument(1, true, SampleDepth::sixteen, 1);
    const uint16_t values[] = {1000, 30000};  // 1000 * 65535 / 30000 = 2184.5 -> 2185
    std::memcpy(wide.samples.data(), values, 4);
    unpremultiplyAlpha(wide, 65535);
    uint16_t got[2];
    std::memcpy(got, wide.samples.data(), 4);
    EXPECT_EQ(got[0], 2185);
    EXPECT_EQ(got[1], 30000);

    Document floats = tinyDocument(1, true, SampleDepth::floating, 2);
    const float f[] = {0.25f, 0.5f, 0.3f, 0.0f};
    std::memcpy(floats.samples.data(), f, sizeof f);
    unpremultiplyAlpha(floats, 0);
    float g[4];
    std::memcpy(g, floats.samples.data(), sizeof g);
    EXPECT_EQ(g[0], 0.5f);
    EXPECT_EQ(g[2], 0.0f);

    Document grey = tinyDocument(1, true, SampleDepth::eight, 2);
    grey.samples = {0, 9, 200, 10};
    invertGrey(grey);  // colour only; the alpha stays
    EXPECT_EQ(grey.samples, (std::vector<uint8_t>{255, 9, 55, 10}));
    Document grey16 = tinyDocument(1, false, SampleDepth::sixteen, 1);
    const uint16_t g16 = 1000;
    std::memcpy(grey16.samples.data(), &g16, 2);
    invertGrey(grey16);
    uint16_t inverted;
    std::memcpy(&inverted, grey16.samples.data(), 2);
    EXPECT_EQ(inverted, 64535);
}

}  // namespace
