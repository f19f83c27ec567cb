// JPEG reading (grey, RGB, refused CMYK and YCCK, truncated and damaged
// files) and the ICC profile's APP2 segments, split and joined.
#include "host/image_files.h"
#include "host/image_jpeg_icc.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <jpeglib.h>

namespace {

struct TestJpeg {
    int width = 16, height = 16, components = 3;
    J_COLOR_SPACE input = JCS_RGB;
    J_COLOR_SPACE stored = JCS_YCbCr;
    std::vector<uint8_t> pixels;  // interleaved
    std::vector<std::vector<uint8_t>> app2;  // APP2 payloads in the order written
};

// Written with libjpeg's own stdio destination at quality 100.
void writeTestJpeg(const std::string& path, const TestJpeg& recipe) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    jpeg_stdio_dest(&codec, file);
    codec.image_width = JDIMENSION(recipe.width);
    codec.image_height = JDIMENSION(recipe.height);
    codec.input_components = recipe.components;
    codec.in_color_space = recipe.input;
    jpeg_set_defaults(&codec);
    jpeg_set_colorspace(&codec, recipe.stored);
    jpeg_set_quality(&codec, 100, TRUE);
    jpeg_start_compress(&codec, TRUE);
    for (const auto& payload : recipe.app2)
        jpeg_write_marker(&codec, JPEG_APP0 + 2, payload.data(), unsigned(payload.size()));
    for (int y = 0; y < recipe.height; ++y) {
        JSAMPROW row = const_cast<uint8_t*>(recipe.pixels.data()) + size_t(y) * size_t(recipe.width * recipe.components);
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    std::fclose(file);
}

std::vector<uint8_t> flat(int width, int height, std::vector<uint8_t> colour) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), colour.begin(), colour.end());
    return pixels;
}

std::vector<uint8_t> iccPayload(int sequence, int count, std::vector<uint8_t> data) {
    std::vector<uint8_t> payload = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0,
                                    uint8_t(sequence), uint8_t(count)};
    payload.insert(payload.end(), data.begin(), data.end());
    return payload;
}

TEST(JpegReading, GreyStaysGreyAndRgbComesAsRgb) {
    const std::string folder = testCaseFolder("jpeg", "layouts");
    TestJpeg grey;
    grey.components = 1;
    grey.input = JCS_GRAYSCALE;
    grey.stored = JCS_GRAYSCALE;
    grey.pixels = flat(16, 16, {77});
    writeTestJpeg(folder + "/grey.jpg", grey);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(folder + "/grey.jpg", document, info, error)) << error;
    EXPECT_EQ(info.format, "JPEG");
    EXPECT_EQ(info.bitDepth, 8);
    EXPECT_FALSE(info.hadAlpha);
    EXPECT_EQ(document.colorChannels, 1);
    EXPECT_EQ(document.depth, SampleDepth::eight);
    // A flat grey block at quality 100 decodes to its value exactly.
    EXPECT_EQ(document.samples, grey.pixels);

    TestJpeg rgb;
    rgb.pixels = flat(16, 16, {200, 40, 90});
    writeTestJpeg(folder + "/rgb.jpeg", rgb);
    ASSERT_TRUE(readImageFile(folder + "/rgb.jpeg", document, info, error)) << error;
    EXPECT_EQ(document.colorChannels, 3);
    ASSERT_EQ(document.samples.size(), rgb.pixels.size());
    // Through YCbCr and back a flat colour moves by a step or two at most.
    for (size_t i = 0; i < rgb.pixels.size(); ++i) EXPECT_NEAR(document.samples[i], rgb.pixels[i], 2) << i;
}

TEST(JpegReading, CmykAndYcckAreRefused) {
    const std::string folder = testCaseFolder("jpeg", "cmyk");
    for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        TestJpeg cmyk;
        cmyk.components = 4;
        cmyk.input = JCS_CMYK;
        cmyk.stored = stored;
        cmyk.pixels = flat(16, 16, {10, 20, 30, 40});
        const std::string path = folder + (stored == JCS_CMYK ? "/cmyk.jpg" : "/ycck.jpg");
        writeTestJpeg(path, cmyk);
        Document document;
        ImageFileInfo info;
        std::string error;
        EXPECT_FALSE(readImageFile(path, document, info, error));
        EXPECT_NE(error.find("CMYK JPEG files are not supported"), std::string::npos) << error;
    }
}

TEST(JpegReading, ProfileSegmentsAreJoinedInSequenceOrder) {
    const std::string folder = testCaseFolder("jpeg", "profile");
    TestJpeg recipe;
    recipe.pixels = flat(16, 16, {1, 2, 3});
    // Written as 2 of 3, 3 of 3, an unrelated APP2, then 1 of 3.
    recipe.app2 = {iccPayload(2, 3, {'b', 'b'}), iccPayload(3, 3, {'c'}), {'M', 'P', 'F', 0, 1, 2},
                 iccPayload(1, 3, {'a', 'a', 'a'})};
    writeTestJpeg(folder + "/profile.jpg", recipe);
    Document document;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(folder + "/profile.jpg", document, info, error)) << error;
    EXPECT_TRUE(info.hadIccProfile);
    EXPECT_EQ(document.iccProfile, (std::vector<uint8_t>{'a', 'a', 'a', 'b', 'b', 'c'}));

    // A missing segment leaves the profile out with a warning; the picture is read.
    recipe.app2 = {iccPayload(1, 2, {'a'})};
    writeTestJpeg(folder + "/half.jpg", recipe);
    ASSERT_TRUE(readImageFile(folder + "/half.jpg", document, info, error)) << error;
    EXPECT_FALSE(info.hadIccProfile);
    EXPECT_TRUE(document.iccProfile.empty());
    ASSERT_FALSE(info.warnings.empty());
    EXPECT_NE(info.warnings.back().find("segment 2 of 2 is missing"), std::string::npos) << info.warnings.back();
}

TEST(JpegReading, TruncatedAndDamagedFilesFail) {
    const std::string folder = testCaseFolder("jpeg", "damaged");
    TestJpeg recipe;
    recipe.width = 64;
    recipe.height = 64;
    for (int i = 0; i < 64 * 64 * 3; ++i) recipe.pixels.push_back(uint8_t((i * 7919) >> 4));
    writeTestJpeg(folder + "/whole.jpg", recipe);
    const std::vector<uint8_t> whole = fileBytes(folder + "/whole.jpg");
    Document untouched;
    std::string error;
    ASSERT_TRUE(makeDocument(untouched, 1, 1, 1, false, SampleDepth::eight, error));

    // Cut in the middle of the scan: libjpeg would fill the rest with grey.
    saveBytes(folder + "/cut.jpg", std::vector<uint8_t>(whole.begin(), whole.begin() + long(whole.size() * 2 / 3)));
    Document document = untouched;
    ImageFileInfo info;
    EXPECT_FALSE(readImageFile(folder + "/cut.jpg", document, info, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_EQ(document.width, 1);

    // Cut inside the headers.
    saveBytes(folder + "/header.jpg", std::vector<uint8_t>(whole.begin(), whole.begin() + 100));
    error.clear();
    EXPECT_FALSE(readImageFile(folder + "/header.jpg", document, info, error));
    EXPECT_NE(error.find("header.jpg"), std::string::npos) << error;

    // Start of image followed by noise.
    std::vector<uint8_t> noise = {0xFF, 0xD8, 0xFF};
    for (int i = 0; i < 500; ++i) noise.push_back(uint8_t(i * 31 + 7));
    saveBytes(folder + "/noise.jpg", noise);
    error.clear();
    EXPECT_FALSE(readImageFile(folder + "/noise.jpg", document, info, error));
    EXPECT_NE(error.find("JPEG"), std::string::npos) << error;
    EXPECT_EQ(document.width, 1);
}

TEST(JpegProfileSegments, SplitAtTheSegmentLimit) {
    EXPECT_TRUE(splitJpegIccProfile({}).empty());
    const std::vector<uint8_t> exact(65519, 5);
    const auto one = splitJpegIccProfile(exact);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].size(), 65519u + 14u);
    EXPECT_EQ(std::memcmp(one[0].data(), "ICC_PROFILE\0", 12), 0);
    EXPECT_EQ(one[0][12], 1);
    EXPECT_EQ(one[0][13], 1);

    std::vector<uint8_t> over(65520);
    for (size_t i = 0; i < over.size(); ++i) over[i] = uint8_t(i);
    const auto two = splitJpegIccProfile(over);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].size(), 65533u);  // the largest marker payload
    EXPECT_EQ(two[1].size(), 15u);
    EXPECT_EQ(two[1][12], 2);
    EXPECT_EQ(two[1][13], 2);
    EXPECT_EQ(two[1][14], uint8_t(65519));  // the last byte of the profile

    // 255 segments are the most a count byte can say.
    EXPECT_EQ(splitJpegIccProfile(std::vector<uint8_t>(255 * 65519, 1)).size(), 255u);
    EXPECT_TRUE(splitJpegIccProfile(std::vector<uint8_t>(255 * 65519 + 1, 1)).empty());
}

TEST(JpegProfileSegments, JoiningRefusesInconsistentSegments) {
    auto payloadsOf = [](const std::vector<std::vector<uint8_t>>& list) {
        std::vector<JpegMarkerPayload> payloads;
        for (const auto& p : list) payloads.push_back({p.data(), p.size()});
        return payloads;
    };
    std::vector<uint8_t> profile;
    std::string problem;
    const std::vector<std::vector<uint8_t>> none = {{'E', 'x', 'i', 'f'}};
    EXPECT_TRUE(assembleJpegIccProfile(payloadsOf(none), profile, problem));
    EXPECT_TRUE(profile.empty());

    const std::vector<std::vector<uint8_t>> twice = {iccPayload(1, 2, {1}), iccPayload(1, 2, {2})};
    EXPECT_FALSE(assembleJpegIccProfile(payloadsOf(twice), profile, problem));
    EXPECT_NE(problem.find("appears twice"), std::string::npos) << problem;

    const std::vector<std::vector<uint8_t>> disagree = {iccPayload(1, 2, {1}), iccPayload(2, 3, {2})};
    EXPECT_FALSE(assembleJpegIccProfile(payloadsOf(disagree), profile, problem));
    EXPECT_NE(problem.find("disagree"), std::string::npos) << problem;

    const std::vector<std::vector<uint8_t>> zero = {iccPayload(0, 1, {1})};
    EXPECT_FALSE(assembleJpegIccProfile(payloadsOf(zero), profile, problem));
    EXPECT_TRUE(profile.empty());

    // A split profile joins back to itself.
    std::vector<uint8_t> original(150000);
    for (size_t i = 0; i < original.size(); ++i) original[i] = uint8_t(i * 3 + i / 256);
    const auto parts = splitJpegIccProfile(original);
    ASSERT_EQ(parts.size(), 3u);
    const std::vector<std::vector<uint8_t>> reversed = {parts[2], parts[1], parts[0]};
    EXPECT_TRUE(assembleJpegIccProfile(payloadsOf(reversed), profile, problem));
    EXPECT_EQ(profile, original);
}

TEST(JpegWriting, QualityIs92) {
    const std::string folder = testCaseFolder("jpeg", "quality");
    Document document;
    std::string error;
    ASSERT_TRUE(makeDocument(document, 8, 8, 3, false, SampleDepth::eight, error));
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(folder + "/q.jpg", document, 0, false, report, error)) << error;
    // Quality 92 scales the standard tables by 200 - 2 * 92 = 16 percent: the
    // luminance table's last entry 99 becomes (99 * 16 + 50) / 100 = 16 (quality 91
    // would give 18, 93 gives 14), the first 16 becomes 3.
    std::FILE* file = std::fopen((folder + "/q.jpg").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    jpeg_decompress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&codec);
    jpeg_stdio_src(&codec, file);
    jpeg_read_header(&codec, TRUE);
    ASSERT_NE(codec.quant_tbl_ptrs[0], nullptr);
    EXPECT_EQ(codec.quant_tbl_ptrs[0]->quantval[63], 16);
    EXPECT_EQ(codec.quant_tbl_ptrs[0]->quantval[0], 3);
    EXPECT_EQ(codec.jpeg_color_space, JCS_YCbCr);
    jpeg_destroy_decompress(&codec);
    std::fclose(file);
}

}  // namespace
