// Reading TIFF files of every supported layout (strips and tiles, contiguous
// and separate planes, 8/16-bit and float, alpha kinds, min-is-white) and the
// refusal of the others; the files are made here with libtiff directly.
#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <tiffio.h>
#include <vector>

namespace {

struct TestTiff {
    uint32_t width = 0, height = 0;
    uint16_t samples = 3, bits = 8, format = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_RGB;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t predictor = 0;  // 0: no predictor tag
    bool bigEndian = false;
    std::vector<uint16_t> extraSamples;
    uint32_t rowsPerStrip = 2;
    uint32_t tileSize = 0;  // 0: strips
    std::vector<uint8_t> profile;
    std::vector<uint16_t> colormap;  // palette images: 3 << bits entries
    // Interleaved native-order samples, row after row, as one contiguous image.
    std::vector<uint8_t> pixels;
};

// Cuts the interleaved pixels into the strips or tiles the layout asks for.
void writeTestTiff(const std::string& path, const TestTiff& recipe) {
    TIFF* tiff = TIFFOpen(path.c_str(), recipe.bigEndian ? "wb" : "wl");
    ASSERT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, recipe.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, recipe.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, recipe.samples);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, recipe.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, recipe.format);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, recipe.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, recipe.planar);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, recipe.compression);
    if (recipe.predictor != 0) TIFFSetField(tiff, TIFFTAG_PREDICTOR, recipe.predictor);
    if (!recipe.extraSamples.empty())
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(recipe.extraSamples.size()), recipe.extraSamples.data());
    if (!recipe.profile.empty()) TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(recipe.profile.size()), recipe.profile.data());
    if (!recipe.colormap.empty()) {
        const size_t n = recipe.colormap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, recipe.colormap.data(), recipe.colormap.data() + n, recipe.colormap.data() + 2 * n);
    }
    const size_t sampleBytes = recipe.bits >= 8 ? recipe.bits / 8 : 0;
    const bool separate = recipe.planar == PLANARCONFIG_SEPARATE;
    const int planes = separate ? recipe.samples : 1;
    const size_t pixelBytes = sampleBytes * recipe.samples;
    auto copySample = [&](std::vector<uint8_t>& block, size_t at, uint32_t x, uint32_t y, int plane) {
        const uint8_t* in = recipe.pixels.data() + (size_t(y) * recipe.width + x) * pixelBytes;
        if (plane < 0) std::memcpy(block.data() + at, in, pixelBytes);
        else std::memcpy(block.data() + at, in + size_t(plane) * sampleBytes, sampleBytes);
    };
    if (recipe.bits < 8) {
        // Few-bit images: the pixels are already packed rows.
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, recipe.height);
        TIFFWriteEncodedStrip(tiff, 0, const_cast<uint8_t*>(recipe.pixels.data()), tmsize_t(recipe.pixels.size()));
    } else if (recipe.tileSize == 0) {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, recipe.rowsPerStrip);
        for (int plane = 0; plane < planes; ++plane) {
            for (uint32_t top = 0; top < recipe.height; top += recipe.rowsPerStrip) {
                const uint32_t rows = std::min(recipe.rowsPerStrip, recipe.height - top);
                const size_t unit = separate ? sampleBytes : pixelBytes;
                std::vector<uint8_t> block(size_t(rows) * recipe.width * unit);
                for (uint32_t y = 0; y < rows; ++y)
                    for (uint32_t x = 0; x < recipe.width; ++x)
                        copySample(block, (size_t(y) * recipe.width + x) * unit, x, top + y, separate ? plane : -1);
                TIFFWriteEncodedStrip(tiff, TIFFComputeStrip(tiff, top, uint16_t(plane)), block.data(), tmsize_t(block.size()));
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, recipe.tileSize);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, recipe.tileSize);
        for (int plane = 0; plane < planes; ++plane) {
            for (uint32_t top = 0; top < recipe.height; top += recipe.tileSize) {
                for (uint32_t left = 0; left < recipe.width; left += recipe.tileSize) {
                    const size_t unit = separate ? sampleBytes : pixelBytes;
                    // Parts of a tile outside the image hold a marker that must not show.
                    std::vector<uint8_t> block(size_t(recipe.tileSize) * recipe.tileSize * unit, 0xEE);
                    for (uint32_t y = 0; y < recipe.tileSize && top + y < recipe.height; ++y)
                        for (uint32_t x = 0; x < recipe.tileSize && left + x < recipe.width; ++x)
                            copySample(block, (size_t(y) * recipe.tileSize + x) * unit, left + x, top + y,
                                       separate ? plane : -1);
                    TIFFWriteEncodedTile(tiff, TIFFComputeTile(tiff, left, top, 0, uint16_t(plane)), block.data(),
                                         tmsize_t(block.size()));
                }
            }
        }
    }
    TIFFClose(tiff);
}

std::vector<uint8_t> bytesOf16(const std::vector<uint16_t>& values) {
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}
std::vector<uint8_t> bytesOfFloat(const std::vector<float>& values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}
std::vector<uint16_t> samples16(const Document& document) {
    std::vector<uint16_t> values(document.samples.size() / 2);
    std::memcpy(values.data(), document.samples.data(), values.size() * 2);
    return values;
}

bool readBack(const std::string& path, Document& document, ImageFileInfo& info, std::string& error) {
    error.clear();
    return readImageFile(path, document, info, error);
}

// An 8-bit RGB pattern of the given size, distinct per sample.
std::vector<uint8_t> pattern8(uint32_t width, uint32_t height, int samples) {
    std::vector<uint8_t> pixels;
    for (uint32_t i = 0; i < width * height * uint32_t(samples); ++i) pixels.push_back(uint8_t((i * 37 + 11) % 251));
    return pixels;
}

TEST(TiffReading, EightBitRgbInEveryOrganisationReadsTheSame) {
    const std::string folder = testCaseFolder("tiff", "organisations");
    struct Case { const char* name; uint16_t planar; uint32_t tile; uint16_t compression; };
    const Case cases[] = {{"contig-strips", PLANARCONFIG_CONTIG, 0, COMPRESSION_NONE},
                          {"separate-strips", PLANARCONFIG_SEPARATE, 0, COMPRESSION_NONE},
                          {"contig-tiles", PLANARCONFIG_CONTIG, 16, COMPRESSION_NONE},
                          {"separate-tiles", PLANARCONFIG_SEPARATE, 16, COMPRESSION_ADOBE_DEFLATE},
                          {"lzw-strips", PLANARCONFIG_CONTIG, 0, COMPRESSION_LZW}};
    for (const Case& c : cases) {
        TestTiff recipe;
        recipe.width = 21;  // neither the strips nor the tiles divide the image evenly
        recipe.height = 19;
        recipe.rowsPerStrip = 4;
        recipe.planar = c.planar;
        recipe.tileSize = c.tile;
        recipe.compression = c.compression;
        recipe.pixels = pattern8(recipe.width, recipe.height, 3);
        const std::string path = folder + "/" + c.name + ".tif";
        writeTestTiff(path, recipe);
        Document document;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readBack(path, document, info, error)) << c.name << ": " << error;
        EXPECT_EQ(info.format, "TIFF");
        EXPECT_EQ(info.bitDepth, 8);
        EXPECT_EQ(document.colorChannels, 3);
        EXPECT_FALSE(document.hasAlpha);
        EXPECT_EQ(document.samples, recipe.pixels) << c.name;
    }
}

TEST(TiffReading, SixteenBitAlphaInTilesIsStraightAndOnTheHostScale) {
    const std::string folder = testCaseFolder("tiff", "sixteen");
    TestTiff recipe;
    recipe.width = 17;
    recipe.height = 3;
    recipe.samples = 4;
    recipe.bits = 16;
    recipe.tileSize = 16;
    recipe.extraSamples = {EXTRASAMPLE_UNASSALPHA};
    std::vector<uint16_t> values;
    for (uint32_t i = 0; i < recipe.width * recipe.height; ++i) {
        values.insert(values.end(), {uint16_t(0), uint16_t(65535), uint16_t(32768), uint16_t(i)});
    }
    recipe.pixels = bytesOf16(values);
    writeTestTiff(folder + "/rgba16.tif", recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readBack(folder + "/rgba16.tif", document, info, error)) << error;
    EXPECT_EQ(info.bitDepth, 16);
    EXPECT_TRUE(info.hadAlpha);
    EXPECT_EQ(document.depth, SampleDepth::sixteen);
    ASSERT_TRUE(document.hasAlpha);
    const std::vector<uint16_t> got = samples16(document);
    // Alpha i: 0, 1, 2, 3 become 0, 1, 1, 2 (i * 32768 / 65535 rounded); pixel 50 gives 25.
    const uint16_t expectedAlpha[] = {0, 1, 1, 2};
    for (uint32_t i = 0; i < recipe.width * recipe.height; ++i) {
        EXPECT_EQ(got[i * 4 + 0], 0);
        EXPECT_EQ(got[i * 4 + 1], 32768);
        EXPECT_EQ(got[i * 4 + 2], 16384);
        if (i < 4) {
            EXPECT_EQ(got[i * 4 + 3], expectedAlpha[i]);
        }
    }
    EXPECT_EQ(got[50 * 4 + 3], 25);
}

TEST(TiffReading, AssociatedAlphaIsUnpremultiplied) {
    const std::string folder = testCaseFolder("tiff", "associated");
    TestTiff recipe;
    recipe.width = 3;
    recipe.height = 1;
    recipe.samples = 4;
    recipe.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
    recipe.pixels = {100, 50, 200, 200,  // colour * 255 / 200 rounded: 128, 64 (63.75), 255
                   10, 20, 30, 0,      // nothing shows: colour 0
                   90, 0, 255, 255};   // opaque: unchanged
    writeTestTiff(folder + "/assoc.tif", recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readBack(folder + "/assoc.tif", document, info, error)) << error;
    EXPECT_EQ(document.samples, (std::vector<uint8_t>{128, 64, 255, 200, 0, 0, 0, 0, 90, 0, 255, 255}));

    // 16-bit grey with associated alpha, separate planes: 16384 of alpha 32768 is
    // 32768 of 65535 straight (32767.5 rounded), 16384 on the host scale.
    TestTiff grey;
    grey.width = 2;
    grey.height = 1;
    grey.samples = 2;
    grey.bits = 16;
    grey.photometric = PHOTOMETRIC_MINISBLACK;
    grey.planar = PLANARCONFIG_SEPARATE;
    grey.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
    grey.pixels = bytesOf16({16384, 32768, 65535, 65535});
    writeTestTiff(folder + "/assoc16.tif", grey);
    ASSERT_TRUE(readBack(folder + "/assoc16.tif", document, info, error)) << error;
    EXPECT_EQ(document.colorChannels, 1);
    EXPECT_EQ(samples16(document), (std::vector<uint16_t>{16384, 16384, 32768, 32768}));
}

TEST(TiffReading, MinIsWhiteGreyIsInverted) {
    const std::string folder = testCaseFolder("tiff", "miniswhite");
    TestTiff recipe;
    recipe.width = 3;
    recipe.height = 1;
    recipe.samples = 1;
    recipe.photometric = PHOTOMETRIC_MINISWHITE;
    recipe.pixels = {0, 200, 255};
    writeTestTiff(folder + "/white8.tif", recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readBack(folder + "/white8.tif", document, info, error)) << error;
    EXPECT_EQ(document.colorChannels, 1);
    EXPECT_EQ(document.samples, (std::vector<uint8_t>{255, 55, 0}));

    recipe.bits = 16;
    recipe.pixels = bytesOf16({0, 65535, 1});
    writeTestTiff(folder + "/white16.tif", recipe);
    ASSERT_TRUE(readBack(folder + "/white16.tif", document, info, error)) << error;
    // 65535, 0, 65534 on the file's scale.
    EXPECT_EQ(samples16(document), (std::vector<uint16_t>{32768, 0, 32767}));

    // 1-bit min-is-white goes through libtiff's RGBA reader: bit 1 is black.
    TestTiff bits;
    bits.width = 4;
    bits.height = 1;
    bits.samples = 1;
    bits.bits = 1;
    bits.photometric = PHOTOMETRIC_MINISWHITE;
    bits.pixels = {0b10010000};
    writeTestTiff(folder + "/white1.tif", bits);
    ASSERT_TRUE(readBack(folder + "/white1.tif", document, info, error)) << error;
    EXPECT_EQ(info.bitDepth, 1);
    EXPECT_EQ(document.colorChannels, 1);
    EXPECT_EQ(document.depth, SampleDepth::eight);
    EXPECT_EQ(document.samples, (std::vector<uint8_t>{0, 255, 255, 0}));
}

TEST(TiffReading, FloatSamplesAreKeptAsTheyAre) {
    const std::string folder = testCaseFolder("tiff", "float");
    TestTiff recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.samples = 4;
    recipe.bits = 32;
    recipe.format = SAMPLEFORMAT_IEEEFP;
    recipe.planar = PLANARCONFIG_SEPARATE;
    recipe.rowsPerStrip = 1;
    recipe.extraSamples = {EXTRASAMPLE_UNASSALPHA};
    const std::vector<float> values = {0.0f, 0.25f, 1.0f, 1.0f,  -0.5f, 3.75f, 1e-7f, 0.5f,
                                       0.1f, 0.2f,  0.3f, 0.0f,  65504.0f, 2.0f, 0.999f, 1.0f};
    recipe.pixels = bytesOfFloat(values);
    recipe.profile = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    writeTestTiff(folder + "/float.tif", recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readBack(folder + "/float.tif", document, info, error)) << error;
    EXPECT_EQ(info.bitDepth, 32);
    EXPECT_EQ(info.sampleFormat, ImageSampleFormat::floatingPoint);
    EXPECT_TRUE(info.hadIccProfile);
    EXPECT_EQ(document.depth, SampleDepth::floating);
    EXPECT_EQ(document.samples, recipe.pixels);
    EXPECT_EQ(document.iccProfile, recipe.profile);
}

// Deflated strips are inflated on several threads outside libtiff; the
// same pixels stored uncompressed go through libtiff's own reading, and
// both must give the same document: 8 and 16 bits with and without the
// predictor, both byte orders, grey min-is-white (inverted on the file's
// scale), associated alpha, floats; an odd size with a short last strip.
TEST(TiffReading, DeflatedStripsOnThreadsReadAsLibtiffReadsThem) {
    const std::string folder = testCaseFolder("tiff", "deflated-strips");
    struct Case {
        const char* name;
        uint16_t samples, bits, format, photometric, predictor, extra;
        bool bigEndian;
    };
    const Case cases[] = {
        {"rgb8", 3, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, PREDICTOR_HORIZONTAL, 0, false},
        {"rgba8-plain", 4, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, PREDICTOR_NONE, EXTRASAMPLE_UNASSALPHA, false},
        {"rgb16", 3, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, PREDICTOR_HORIZONTAL, 0, false},
        {"rgba16-big", 4, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, PREDICTOR_HORIZONTAL, EXTRASAMPLE_UNASSALPHA, true},
        {"rgba16-associated", 4, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB, PREDICTOR_HORIZONTAL,
         EXTRASAMPLE_ASSOCALPHA, false},
        {"white16", 1, 16, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISWHITE, PREDICTOR_HORIZONTAL, 0, false},
        {"float-big", 3, 32, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_RGB, PREDICTOR_NONE, 0, true},
    };
    for (const Case& c : cases) {
        TestTiff recipe;
        recipe.width = 37;
        recipe.height = 23;
        recipe.rowsPerStrip = 5;
        recipe.samples = c.samples;
        recipe.bits = c.bits;
        recipe.format = c.format;
        recipe.photometric = c.photometric;
        recipe.bigEndian = c.bigEndian;
        if (c.extra != 0) recipe.extraSamples = {c.extra};
        // Every byte varied: 16-bit samples reach both ends, floats stay finite.
        recipe.pixels = pattern8(recipe.width, recipe.height, c.samples * c.bits / 8);
        if (c.bits == 32)
            for (size_t i = 3; i < recipe.pixels.size(); i += 4) recipe.pixels[i] = uint8_t(recipe.pixels[i] % 0x7F);
        writeTestTiff(folder + "/" + c.name + "-plain.tif", recipe);
        recipe.compression = COMPRESSION_ADOBE_DEFLATE;
        recipe.predictor = c.predictor;
        writeTestTiff(folder + "/" + c.name + ".tif", recipe);

        Document plain;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readBack(folder + "/" + c.name + "-plain.tif", plain, info, error)) << c.name << ": " << error;
        for (const int32_t threads : {1, 2, 3}) {
            setImageFileThreads(threads);
            Document deflated;
            const bool read = readBack(folder + "/" + c.name + ".tif", deflated, info, error);
            setImageFileThreads(0);
            ASSERT_TRUE(read) << c.name << ": " << error;
            EXPECT_EQ(deflated.depth, plain.depth) << c.name;
            EXPECT_EQ(deflated.planes(), plain.planes()) << c.name;
            EXPECT_TRUE(deflated.samples == plain.samples) << c.name << " on " << threads << " threads";
        }
    }
}

// A strip in the middle whose deflate data is damaged: libtiff reads the
// file again and names the first row it cannot decode.
TEST(TiffReading, DamagedDeflatedStripNamesItsRow) {
    const std::string folder = testCaseFolder("tiff", "damaged-strip");
    TestTiff recipe;
    recipe.width = 37;
    recipe.height = 23;
    recipe.rowsPerStrip = 5;
    recipe.bits = 16;
    recipe.compression = COMPRESSION_ADOBE_DEFLATE;
    recipe.predictor = PREDICTOR_HORIZONTAL;
    recipe.pixels = pattern8(recipe.width, recipe.height, 6);
    writeTestTiff(folder + "/whole.tif", recipe);
    TIFF* tiff = TIFFOpen((folder + "/whole.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    const uint64_t third = TIFFGetStrileOffset(tiff, 2), thirdBytes = TIFFGetStrileByteCount(tiff, 2);
    TIFFClose(tiff);
    std::vector<uint8_t> bytes = fileBytes(folder + "/whole.tif");
    ASSERT_GT(thirdBytes, 8u);
    for (uint64_t i = third + 2; i < third + thirdBytes; ++i) bytes[i] = uint8_t(i * 29);
    saveBytes(folder + "/scribbled.tif", bytes);
    Document document;
    ImageFileInfo info;
    std::string error;
    setImageFileThreads(2);
    EXPECT_FALSE(readBack(folder + "/scribbled.tif", document, info, error));
    setImageFileThreads(0);
    EXPECT_NE(error.find("damaged or truncated TIFF image data at row 11"), std::string::npos) << error;
}

TEST(TiffReading, OtherLayoutsAreRefusedWithTheirName) {
    const std::string folder = testCaseFolder("tiff", "refused");
    struct Case { const char* name; TestTiff recipe; const char* expected; };
    std::vector<Case> cases;
    {
        TestTiff cmyk;
        cmyk.width = cmyk.height = 2;
        cmyk.samples = 4;
        cmyk.photometric = PHOTOMETRIC_SEPARATED;
        cmyk.pixels = pattern8(2, 2, 4);
        cases.push_back({"cmyk", cmyk, "CMYK"});
    }
    {
        TestTiff palette;
        palette.width = palette.height = 2;
        palette.samples = 1;
        palette.photometric = PHOTOMETRIC_PALETTE;
        palette.colormap.assign(3 * 256, 0);
        palette.pixels = {0, 1, 2, 3};
        cases.push_back({"palette", palette, "palette"});
    }
    {
        TestTiff lab;
        lab.width = lab.height = 2;
        lab.photometric = PHOTOMETRIC_CIELAB;
        lab.pixels = pattern8(2, 2, 3);
        cases.push_back({"lab", lab, "Lab"});
    }
    {
        TestTiff unmarked;  // grey plus a sample that is not said to be alpha
        unmarked.width = unmarked.height = 2;
        unmarked.samples = 2;
        unmarked.photometric = PHOTOMETRIC_MINISBLACK;
        unmarked.extraSamples = {EXTRASAMPLE_UNSPECIFIED};
        unmarked.pixels = pattern8(2, 2, 2);
        cases.push_back({"unmarked", unmarked, "not marked as transparency"});
    }
    {
        TestTiff twoExtra;
        twoExtra.width = twoExtra.height = 2;
        twoExtra.samples = 5;
        twoExtra.extraSamples = {EXTRASAMPLE_UNASSALPHA, EXTRASAMPLE_UNSPECIFIED};
        twoExtra.pixels = pattern8(2, 2, 5);
        cases.push_back({"two-extra", twoExtra, "5 samples per pixel"});
    }
    {
        TestTiff signedSamples;
        signedSamples.width = signedSamples.height = 2;
        signedSamples.bits = 16;
        signedSamples.format = SAMPLEFORMAT_INT;
        signedSamples.pixels.assign(2 * 2 * 3 * 2, 0);
        cases.push_back({"signed", signedSamples, "16 bits (signed integer)"});
    }
    {
        TestTiff doubles;
        doubles.width = doubles.height = 2;
        doubles.samples = 1;
        doubles.photometric = PHOTOMETRIC_MINISBLACK;
        doubles.bits = 64;
        doubles.format = SAMPLEFORMAT_IEEEFP;
        doubles.pixels.assign(2 * 2 * 8, 0);
        cases.push_back({"double", doubles, "64 bits (floating-point)"});
    }
    for (const Case& c : cases) {
        const std::string path = folder + "/" + c.name + ".tif";
        writeTestTiff(path, c.recipe);
        Document document;
        ImageFileInfo info;
        std::string error;
        EXPECT_FALSE(readBack(path, document, info, error)) << c.name;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
}

TEST(TiffReading, TruncatedAndCorruptFilesFailCleanly) {
    const std::string folder = testCaseFolder("tiff", "damaged");
    TestTiff recipe;
    recipe.width = 64;
    recipe.height = 64;
    recipe.rowsPerStrip = 64;
    recipe.pixels = pattern8(64, 64, 3);
    writeTestTiff(folder + "/whole.tif", recipe);
    const std::vector<uint8_t> whole = fileBytes(folder + "/whole.tif");
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readBack(folder + "/whole.tif", document, info, error)) << error;

    // libtiff puts the directory after the strips: cutting keeps the header only.
    saveBytes(folder + "/cut.tif", std::vector<uint8_t>(whole.begin(), whole.begin() + 6000));
    EXPECT_FALSE(readBack(folder + "/cut.tif", document, info, error));
    EXPECT_FALSE(error.empty());

    // A directory that survives while the strip it points to is cut short.
    recipe.compression = COMPRESSION_ADOBE_DEFLATE;
    writeTestTiff(folder + "/deflate.tif", recipe);
    std::vector<uint8_t> deflated = fileBytes(folder + "/deflate.tif");
    for (size_t i = 8; i < 208; ++i) deflated[i] = uint8_t(i * 13);  // scribble over the compressed strip
    saveBytes(folder + "/scribbled.tif", deflated);
    EXPECT_FALSE(readBack(folder + "/scribbled.tif", document, info, error));
    EXPECT_NE(error.find("damaged or truncated TIFF image data at row 1"), std::string::npos) << error;

    // Only the signature.
    saveBytes(folder + "/signature.tif", {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_FALSE(readBack(folder + "/signature.tif", document, info, error));
    EXPECT_NE(error.find("signature.tif"), std::string::npos) << error;
}

TEST(TiffReading, YCbCrIsReadAsRgb) {
    const std::string folder = testCaseFolder("tiff", "ycbcr");
    // JPEG-compressed YCbCr, written from RGB by libtiff's JPEG codec.
    {
        TIFF* tiff = TIFFOpen((folder + "/jpeg.tif").c_str(), "w");
        ASSERT_NE(tiff, nullptr);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(16));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(16));
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_JPEG));
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_YCBCR));
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 100);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(16));
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 256; ++i) pixels.insert(pixels.end(), {200, 100, 50});
        for (uint32_t y = 0; y < 16; ++y) TIFFWriteScanline(tiff, pixels.data() + y * 48, y, 0);
        TIFFClose(tiff);
    }
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readBack(folder + "/jpeg.tif", document, info, error)) << error;
    EXPECT_EQ(document.colorChannels, 3);
    ASSERT_EQ(document.samples.size(), 16u * 16u * 3u);
    for (size_t i = 0; i < document.samples.size(); i += 3) {
        EXPECT_NEAR(document.samples[i], 200, 3);
        EXPECT_NEAR(document.samples[i + 1], 100, 3);
        EXPECT_NEAR(document.samples[i + 2], 50, 3);
    }

    // Uncompressed YCbCr goes through libtiff's RGBA reader: the neutral
    // chroma 128 with Y 128 is the grey 128 (reference range 0..255).
    TestTiff recipe;
    recipe.width = 2;
    recipe.height = 2;
    recipe.photometric = PHOTOMETRIC_YCBCR;
    recipe.pixels = {128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128};
    {
        TIFF* tiff = TIFFOpen((folder + "/plain.tif").c_str(), "w");
        ASSERT_NE(tiff, nullptr);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(2));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(2));
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_YCBCR));
        TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, uint16_t(1), uint16_t(1));
        float reference[6] = {0, 255, 128, 255, 128, 255};
        TIFFSetField(tiff, TIFFTAG_REFERENCEBLACKWHITE, reference);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(2));
        TIFFWriteEncodedStrip(tiff, 0, recipe.pixels.data(), tmsize_t(recipe.pixels.size()));
        TIFFClose(tiff);
    }
    ASSERT_TRUE(readBack(folder + "/plain.tif", document, info, error)) << error;
    EXPECT_EQ(document.colorChannels, 3);
    for (uint8_t v : document.samples) EXPECT_NEAR(v, 128, 1);
}

}  // namespace
