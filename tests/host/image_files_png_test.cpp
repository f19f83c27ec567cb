// Reading PNG files of every layout: files made here with libpng itself, so
// that the reader is checked against the library's own writer.
#include "host/image_files.h"
#include "host/test_profile.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <vector>
#include <zlib.h>

namespace {

struct TestPng {
    uint32_t width = 0, height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<uint8_t> packedRows;  // rows as PNG stores them (16-bit big-endian)
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    bool greyTransparent = false;
    uint16_t transparentGrey = 0;
    std::vector<uint8_t> profile;
};

void writeTestPng(const std::string& path, const TestPng& recipe) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, recipe.width, recipe.height, recipe.bitDepth, recipe.colorType,
                 recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!recipe.palette.empty()) png_set_PLTE(png, info, recipe.palette.data(), int(recipe.palette.size()));
    if (!recipe.paletteAlpha.empty())
        png_set_tRNS(png, info, recipe.paletteAlpha.data(), int(recipe.paletteAlpha.size()), nullptr);
    if (recipe.greyTransparent) {
        png_color_16 colour{};
        colour.gray = recipe.transparentGrey;
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    if (!recipe.profile.empty())
        png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE, recipe.profile.data(), png_uint_32(recipe.profile.size()));
    png_write_info(png, info);
    const size_t rowBytes = recipe.packedRows.size() / recipe.height;
    std::vector<png_bytep> rows;
    for (uint32_t y = 0; y < recipe.height; ++y) rows.push_back(const_cast<uint8_t*>(recipe.packedRows.data()) + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

uint16_t sample16(const Document& document, int x, int y, int c) {
    uint16_t v;
    std::memcpy(&v, document.pixel(x, y) + 2 * c, 2);
    return v;
}

TEST(PngReading, EightBitLayoutsKeepEverySample) {
    const std::string folder = testCaseFolder("png", "eight");
    struct Case { int colorType; int samples; int colors; bool alpha; };
    const Case cases[] = {{PNG_COLOR_TYPE_GRAY, 1, 1, false}, {PNG_COLOR_TYPE_GRAY_ALPHA, 2, 1, true},
                          {PNG_COLOR_TYPE_RGB, 3, 3, false}, {PNG_COLOR_TYPE_RGB_ALPHA, 4, 3, true}};
    for (const Case& c : cases) {
        TestPng recipe;
        recipe.width = 7;
        recipe.height = 3;
        recipe.colorType = c.colorType;
        for (uint32_t i = 0; i < recipe.width * recipe.height * uint32_t(c.samples); ++i) recipe.packedRows.push_back(uint8_t(i * 11 + 5));
        const std::string path = folder + "/layout" + std::to_string(c.samples) + ".png";
        writeTestPng(path, recipe);
        Document document;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readImageFile(path, document, info, error)) << error;
        EXPECT_EQ(info.format, "PNG");
        EXPECT_EQ(info.bitDepth, 8);
        EXPECT_EQ(info.hadAlpha, c.alpha);
        EXPECT_FALSE(info.hadIccProfile);
        EXPECT_EQ(document.width, 7);
        EXPECT_EQ(document.height, 3);
        EXPECT_EQ(document.colorChannels, c.colors);
        EXPECT_EQ(document.hasAlpha, c.alpha);
        EXPECT_EQ(document.depth, SampleDepth::eight);
        EXPECT_EQ(document.samples, recipe.packedRows) << "samples per pixel " << c.samples;
    }
}

TEST(PngReading, SixteenBitSamplesComeOnTheHostScale) {
    const std::string folder = testCaseFolder("png", "sixteen");
    TestPng recipe;
    recipe.width = 2;
    recipe.height = 1;
    recipe.bitDepth = 16;
    recipe.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    // Big-endian file values 0, 1, 2, 3 | 32768, 65534, 65535, 257.
    recipe.packedRows = {0, 0, 0, 1, 0, 2, 0, 3, 0x80, 0, 0xFF, 0xFE, 0xFF, 0xFF, 1, 1};
    const std::string path = folder + "/rgba16.png";
    writeTestPng(path, recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(path, document, info, error)) << error;
    EXPECT_EQ(info.bitDepth, 16);
    EXPECT_EQ(document.depth, SampleDepth::sixteen);
    ASSERT_TRUE(document.hasAlpha);
    // v * 32768 / 65535 rounded: 0, 0.50001, 1.00002, 1.50002 | 16384.25, 32767.5 less a little, 32768, 128.5 and a bit.
    EXPECT_EQ(sample16(document, 0, 0, 0), 0);
    EXPECT_EQ(sample16(document, 0, 0, 1), 1);
    EXPECT_EQ(sample16(document, 0, 0, 2), 1);
    EXPECT_EQ(sample16(document, 0, 0, 3), 2);
    EXPECT_EQ(sample16(document, 1, 0, 0), 16384);
    EXPECT_EQ(sample16(document, 1, 0, 1), 32767);
    EXPECT_EQ(sample16(document, 1, 0, 2), 32768);
    EXPECT_EQ(sample16(document, 1, 0, 3), 129);
}

TEST(PngReading, PaletteAndFewBitGreyAreExpanded) {
    const std::string folder = testCaseFolder("png", "palette");
    {
        // 4-bit palette of three colours, the first two with tRNS alpha.
        TestPng recipe;
        recipe.width = 3;
        recipe.height = 1;
        recipe.bitDepth = 4;
        recipe.colorType = PNG_COLOR_TYPE_PALETTE;
        recipe.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
        recipe.paletteAlpha = {0, 128};
        recipe.packedRows = {0x21, 0x00};  // indices 2, 1, 0
        const std::string path = folder + "/palette.png";
        writeTestPng(path, recipe);
        Document document;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readImageFile(path, document, info, error)) << error;
        EXPECT_EQ(info.bitDepth, 4);
        EXPECT_TRUE(info.hadAlpha);
        EXPECT_EQ(document.colorChannels, 3);
        ASSERT_TRUE(document.hasAlpha);
        // A palette entry past the tRNS list is opaque.
        const std::vector<uint8_t> expected = {70, 80, 90, 255, 40, 50, 60, 128, 10, 20, 30, 0};
        EXPECT_EQ(document.samples, expected);
    }
    {
        // 2-bit grey: 0..3 stretch to 0, 85, 170, 255.
        TestPng recipe;
        recipe.width = 4;
        recipe.height = 1;
        recipe.bitDepth = 2;
        recipe.colorType = PNG_COLOR_TYPE_GRAY;
        recipe.packedRows = {0b00011011};
        const std::string path = folder + "/grey2.png";
        writeTestPng(path, recipe);
        Document document;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readImageFile(path, document, info, error)) << error;
        EXPECT_EQ(info.bitDepth, 2);
        EXPECT_EQ(document.colorChannels, 1);
        EXPECT_FALSE(document.hasAlpha);
        EXPECT_EQ(document.samples, (std::vector<uint8_t>{0, 85, 170, 255}));
    }
    {
        // 1-bit grey with the transparent grey 1: white pixels become clear.
        TestPng recipe;
        recipe.width = 3;
        recipe.height = 1;
        recipe.bitDepth = 1;
        recipe.colorType = PNG_COLOR_TYPE_GRAY;
        recipe.greyTransparent = true;
        recipe.transparentGrey = 1;
        recipe.packedRows = {0b10100000};
        const std::string path = folder + "/grey1.png";
        writeTestPng(path, recipe);
        Document document;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readImageFile(path, document, info, error)) << error;
        EXPECT_TRUE(info.hadAlpha);
        EXPECT_EQ(document.colorChannels, 1);
        ASSERT_TRUE(document.hasAlpha);
        EXPECT_EQ(document.samples, (std::vector<uint8_t>{255, 0, 0, 255, 255, 0}));
    }
}

TEST(PngReading, InterlacedImageMatchesItsRows) {
    const std::string folder = testCaseFolder("png", "interlaced");
    TestPng recipe;
    recipe.width = 13;
    recipe.height = 11;
    recipe.interlaced = true;
    for (uint32_t y = 0; y < recipe.height; ++y)
        for (uint32_t x = 0; x < recipe.width; ++x)
            for (int c = 0; c < 3; ++c) recipe.packedRows.push_back(uint8_t(x * 17 + y * 5 + c * 60));
    const std::string path = folder + "/adam7.png";
    writeTestPng(path, recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(path, document, info, error)) << error;
    EXPECT_EQ(document.samples, recipe.packedRows);
}

TEST(PngReading, ProfileIsKeptAndWrongExtensionDoesNotMatter) {
    const std::string folder = testCaseFolder("png", "profile");
    TestPng recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.packedRows.assign(12, 99);
    recipe.profile = testProfile("RGB ", 300);
    const std::string path = folder + "/really-a-png.jpg";
    writeTestPng(path, recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(path, document, info, error)) << error;
    EXPECT_EQ(info.format, "PNG");
    EXPECT_TRUE(info.hadIccProfile);
    EXPECT_EQ(document.iccProfile, recipe.profile);
}

// A signature and header chunk (with a correct CRC) claiming the given size.
std::vector<uint8_t> pngHeaderOnly(uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {width, height}) for (int s = 24; s >= 0; s -= 8) bytes.push_back(uint8_t(v >> s));
    bytes.insert(bytes.end(), {8, 2, 0, 0, 0});
    const uLong crc = crc32(0, bytes.data() + 12, 17);
    for (int s = 24; s >= 0; s -= 8) bytes.push_back(uint8_t(crc >> s));
    return bytes;
}

TEST(PngReading, DamagedFilesFailCleanly) {
    const std::string folder = testCaseFolder("png", "damaged");
    Document untouched;
    std::string error;
    ASSERT_TRUE(makeDocument(untouched, 1, 1, 1, false, SampleDepth::eight, error));
    untouched.samples[0] = 42;

    // A size above 30000 pixels per side is refused from the header alone.
    saveBytes(folder + "/huge.png", pngHeaderOnly(40000, 10));
    Document document = untouched;
    ImageFileInfo info;
    EXPECT_FALSE(readImageFile(folder + "/huge.png", document, info, error));
    EXPECT_NE(error.find("40000 x 10"), std::string::npos) << error;
    EXPECT_EQ(document.samples, untouched.samples);

    // A header that is fine followed by nothing.
    saveBytes(folder + "/headeronly.png", pngHeaderOnly(20, 10));
    error.clear();
    EXPECT_FALSE(readImageFile(folder + "/headeronly.png", document, info, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;

    TestPng recipe;
    recipe.width = 64;
    recipe.height = 64;
    for (int i = 0; i < 64 * 64 * 3; ++i) recipe.packedRows.push_back(uint8_t((i * 7919) >> 3));
    writeTestPng(folder + "/whole.png", recipe);
    const std::vector<uint8_t> whole = fileBytes(folder + "/whole.png");

    std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(whole.size() / 2));
    saveBytes(folder + "/cut.png", cut);
    error.clear();
    EXPECT_FALSE(readImageFile(folder + "/cut.png", document, info, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_NE(error.find("cut.png"), std::string::npos) << error;
    EXPECT_EQ(document.samples, untouched.samples);

    // One flipped byte inside the image data breaks the chunk's CRC.
    std::vector<uint8_t> flipped = whole;
    flipped[whole.size() / 2] ^= 0x55;
    saveBytes(folder + "/flipped.png", flipped);
    error.clear();
    EXPECT_FALSE(readImageFile(folder + "/flipped.png", document, info, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(document.samples, untouched.samples);
}

// The big-endian 16-bit samples of a grey PNG, read with libpng as they are.
std::vector<uint16_t> rawGrey16(const std::string& path) {
    std::vector<uint16_t> values;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return values;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    if (png_get_bit_depth(png, info) == 16 && png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY) {
        png_bytepp rows = png_get_rows(png, info);
        for (uint32_t y = 0; y < png_get_image_height(png, info); ++y)
            for (uint32_t x = 0; x < png_get_image_width(png, info); ++x)
                values.push_back(uint16_t(rows[y][2 * x] << 8 | rows[y][2 * x + 1]));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return values;
}

TEST(PngReading, EveryFileValueComesBackWithinOneStep) {
    const std::string folder = testCaseFolder("png", "allvalues");
    TestPng recipe;
    recipe.width = 256;
    recipe.height = 256;
    recipe.bitDepth = 16;
    recipe.colorType = PNG_COLOR_TYPE_GRAY;
    for (uint32_t v = 0; v < 65536; ++v) recipe.packedRows.insert(recipe.packedRows.end(), {uint8_t(v >> 8), uint8_t(v)});
    writeTestPng(folder + "/all.png", recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(folder + "/all.png", document, info, error)) << error;
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(folder + "/again.png", document, 0, false, report, error)) << error;
    const std::vector<uint16_t> again = rawGrey16(folder + "/again.png");
    ASSERT_EQ(again.size(), 65536u);
    // 65536 file values share 32769 host values: half come back exactly, the
    // rest one step away, the ends always exactly.
    int exact = 0;
    for (uint32_t v = 0; v < 65536; ++v) {
        ASSERT_LE(std::abs(int(again[v]) - int(v)), 1) << v;
        exact += again[v] == v;
    }
    EXPECT_EQ(exact, 32769);
    EXPECT_EQ(again[0], 0);
    EXPECT_EQ(again[65535], 65535);
    EXPECT_EQ(again[1], 2);  // host 1 is written as 2
    // A second cycle changes nothing: the written values are the host's own.
    Document second;
    ASSERT_TRUE(readImageFile(folder + "/again.png", second, info, error)) << error;
    EXPECT_EQ(second.samples, document.samples);
}

}  // namespace
