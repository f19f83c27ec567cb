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
    int filters = 0;          // PNG_FILTER_* for every row; 0: libpng's choice
    int compressionLevel = -1;
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
    if (recipe.filters != 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, recipe.filters);
    if (recipe.compressionLevel >= 0) png_set_compression_level(png, recipe.compressionLevel);
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

// Files of other writers go through the fast reader too: every row filter,
// at every compression level, on one thread and on several.
TEST(PngReading, EveryRowFilterGivesTheRows) {
    const std::string folder = testCaseFolder("png", "filters");
    struct Case { int colorType; int bitDepth; int samples; };
    const Case cases[] = {{PNG_COLOR_TYPE_RGB, 8, 3}, {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
                          {PNG_COLOR_TYPE_RGB_ALPHA, 16, 8}, {PNG_COLOR_TYPE_GRAY, 16, 2}};
    const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH,
                           PNG_ALL_FILTERS};
    for (const Case& c : cases) {
        for (const int filter : filters) {
            for (const int level : {0, 6}) {
                TestPng recipe;
                recipe.width = 29;
                recipe.height = 17;
                recipe.colorType = c.colorType;
                recipe.bitDepth = c.bitDepth;
                recipe.filters = filter;
                recipe.compressionLevel = level;
                // Steps that wrap around, and runs, so that every predictor matters.
                for (uint32_t i = 0; i < recipe.width * recipe.height * uint32_t(c.samples); ++i)
                    recipe.packedRows.push_back(uint8_t(i % 37 < 9 ? 250 : i * 97 + (i / 29) * 13));
                const std::string path = folder + "/case.png";
                writeTestPng(path, recipe);
                // The rows as the host holds them: 16-bit big-endian file
                // values v become round(v * 32768 / 65535) in native order.
                std::vector<uint8_t> expected = recipe.packedRows;
                if (c.bitDepth == 16) {
                    for (size_t i = 0; i < expected.size(); i += 2) {
                        const uint32_t v = uint32_t(recipe.packedRows[i]) << 8 | recipe.packedRows[i + 1];
                        const uint16_t h = uint16_t((v * 32768u + 32767u) / 65535u);
                        std::memcpy(&expected[i], &h, 2);
                    }
                }
                for (const int32_t threads : {1, 3}) {
                    setImageFileThreads(threads);
                    Document document;
                    ImageFileInfo info;
                    std::string error;
                    const std::string what = "type " + std::to_string(c.colorType) + " depth " +
                                             std::to_string(c.bitDepth) + " filter " + std::to_string(filter) +
                                             " level " + std::to_string(level) + " threads " +
                                             std::to_string(threads);
                    ASSERT_TRUE(readImageFile(path, document, info, error)) << what << error;
                    EXPECT_TRUE(info.warnings.empty()) << what;
                    EXPECT_TRUE(document.samples == expected) << what;
                }
                setImageFileThreads(0);
            }
        }
    }
}

void putChunk(std::vector<uint8_t>& file, const char* type, const uint8_t* data, size_t length) {
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(uint8_t(length >> shift));
    const size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data, data + length);
    const uLong crc = crc32(0, &file[start], uInt(4 + length));
    for (int shift = 24; shift >= 0; shift -= 8) file.push_back(uint8_t(crc >> shift));
}

// An 8-bit RGB file whose one zlib stream is flushed every `piece` rows,
// each flush ending an IDAT chunk, as a striped writer's stream is. Rows
// are filtered with `filter` (0 none, 1 sub, 2 up; the first row with
// none).
std::vector<uint8_t> flushedPng(const std::vector<uint8_t>& rows, uint32_t width, uint32_t height, int filter,
                                int piece, int level) {
    const size_t rowBytes = size_t(width) * 3;
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const uint8_t header[13] = {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                                uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height),
                                8, 2, 0, 0, 0};
    putChunk(file, "IHDR", header, 13);
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, level), Z_OK);
    std::vector<uint8_t> filtered(rowBytes + 1), out(1 << 20), pending;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = &rows[y * rowBytes];
        const int type = y == 0 ? 0 : filter;
        filtered[0] = uint8_t(type);
        for (size_t i = 0; i < rowBytes; ++i) {
            const uint8_t left = i >= 3 ? row[i - 3] : 0, up = y > 0 ? row[i - rowBytes] : 0;
            filtered[i + 1] = uint8_t(row[i] - (type == 1 ? left : type == 2 ? up : 0));
        }
        z.next_in = filtered.data();
        z.avail_in = uInt(filtered.size());
        const bool last = y + 1 == height, flush = (y + 1) % uint32_t(piece) == 0;
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        EXPECT_NE(deflate(&z, last ? Z_FINISH : flush ? Z_SYNC_FLUSH : Z_NO_FLUSH), Z_STREAM_ERROR);
        pending.insert(pending.end(), out.data(), out.data() + (out.size() - z.avail_out));
        if (last || flush) {
            putChunk(file, "IDAT", pending.data(), pending.size());
            pending.clear();
        }
    }
    deflateEnd(&z);
    putChunk(file, "IEND", nullptr, 0);
    return file;
}

// Streams flushed every few rows, each flush its own chunk: pieces that
// decode on their own and start with the "sub" filter are read on several
// threads; pieces that refer back into the one before, or whose first row
// needs the row above, must still give the rows.
TEST(PngReading, FlushedStreamsGiveTheRowsOnEveryThreadCount) {
    const std::string folder = testCaseFolder("png", "flushed");
    const uint32_t width = 23, height = 19;
    std::vector<uint8_t> rows;
    for (uint32_t i = 0; i < width * height * 3; ++i) rows.push_back(uint8_t(i % 41 < 12 ? 7 : i * 53 + i / 69));
    for (const int filter : {0, 1, 2}) {
        for (const int piece : {1, 4, 5}) {
            for (const int level : {0, 6}) {
                const std::string path = folder + "/flushed.png";
                saveBytes(path, flushedPng(rows, width, height, filter, piece, level));
                for (const int32_t threads : {1, 2, 3}) {
                    setImageFileThreads(threads);
                    Document document;
                    ImageFileInfo info;
                    std::string error;
                    const std::string what = "filter " + std::to_string(filter) + " piece " + std::to_string(piece) +
                                             " level " + std::to_string(level) + " threads " +
                                             std::to_string(threads);
                    ASSERT_TRUE(readImageFile(path, document, info, error)) << what << error;
                    EXPECT_TRUE(info.warnings.empty()) << what;
                    EXPECT_TRUE(document.samples == rows) << what;
                }
                setImageFileThreads(0);
            }
        }
    }
}

// A striped file damaged in its second stripe: the checksum of the chunk
// still fits (it is recomputed), so only the stream's own checksum can
// tell. The reader must report the damage as the plain reader does, on
// any number of threads.
TEST(PngReading, DamagedStripeIsReportedOnEveryThreadCount) {
    const std::string folder = testCaseFolder("png", "stripe-damage");
    Document document;
    std::string error;
    ASSERT_TRUE(makeDocument(document, 801, 301, 3, false, SampleDepth::eight, error));
    for (size_t i = 0; i < document.samples.size(); ++i) document.samples[i] = uint8_t(i * 7 / 5);
    const std::string path = folder + "/striped.png";
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(path, document, 8, true, report, error)) << error;
    std::vector<uint8_t> bytes = fileBytes(path);
    // Find the second IDAT chunk and turn one of its data bits over.
    size_t at = 8, idats = 0, second = 0;
    while (at + 12 <= bytes.size()) {
        const uint32_t length = uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 |
                                uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (std::memcmp(&bytes[at + 4], "IDAT", 4) == 0 && ++idats == 2) second = at;
        at += 12 + length;
    }
    ASSERT_NE(second, 0u) << "the writer should have made several stripes";
    const uint32_t length = uint32_t(bytes[second]) << 24 | uint32_t(bytes[second + 1]) << 16 |
                            uint32_t(bytes[second + 2]) << 8 | bytes[second + 3];
    bytes[second + 8 + length / 2] ^= 0x10;
    const uLong crc = crc32(0, &bytes[second + 4], 4 + length);
    for (int i = 0; i < 4; ++i) bytes[second + 8 + length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    saveBytes(path, bytes);
    for (const int32_t threads : {1, 2}) {
        setImageFileThreads(threads);
        Document back;
        ImageFileInfo info;
        std::string readError;
        const bool read = readImageFile(path, back, info, readError);
        // libpng's verdict: an error, or pixels with a warning about the data.
        EXPECT_TRUE(!read || !info.warnings.empty()) << "threads " << threads;
        if (read) {
            EXPECT_FALSE(back.samples == document.samples);
        }
    }
    setImageFileThreads(0);
}
