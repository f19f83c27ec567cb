// The JPEG encoder's size rule, quality levels, tables, sampling, segment
// order, profile chunks and thumbnail framing; the stored-picture decoder.
#include "codec/exif_block.h"
#include "codec/iptc_block.h"
#include "codec/jpeg_reader.h"
#include "codec/jpeg_writer.h"
#include "codec/product_identity.h"
#include "jpeg_test_support.h"
#include "platform/global_memory.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <jpeglib.h>

namespace {
// Tables of the product as listed for levels 0, 8 and 9 (natural order).
const unsigned kLumaLevel0[64] = {20, 17, 26, 41, 51, 39, 34, 17, 17, 18, 24, 39, 28, 23, 12, 12,
                                  26, 24, 32, 28, 23, 12, 12, 12, 41, 39, 28, 23, 12, 12, 12, 12,
                                  51, 28, 23, 12, 12, 12, 12, 12, 39, 23, 12, 12, 12, 12, 12, 12,
                                  34, 12, 12, 12, 12, 12, 12, 12, 17, 12, 12, 12, 12, 12, 12, 12};
const unsigned kChromaLevel0[64] = {21, 26, 33, 34, 20, 20, 17, 17, 26, 29, 24, 14, 14, 12, 12, 12,
                                    33, 24, 14, 14, 12, 12, 12, 12, 34, 14, 14, 12, 12, 12, 12, 12,
                                    20, 14, 12, 12, 12, 12, 12, 12, 20, 12, 12, 12, 12, 12, 12, 12,
                                    17, 12, 12, 12, 12, 12, 12, 12, 17, 12, 12, 12, 12, 12, 12, 12};
const unsigned kLumaLevel8[64] = {2, 2, 2, 2, 3, 4, 5, 6, 2, 2, 2, 2, 3, 4, 5, 6,
                                  2, 2, 2, 2, 4, 5, 7, 9, 2, 2, 2, 4, 5, 7, 9, 12,
                                  3, 3, 4, 5, 8, 13, 12, 12, 4, 4, 5, 7, 13, 12, 12, 12,
                                  5, 5, 7, 9, 12, 12, 12, 12, 6, 6, 9, 12, 12, 12, 12, 12};
const unsigned kChromaLevel8[64] = {3, 3, 5, 9, 10, 15, 15, 15, 3, 4, 6, 13, 14, 12, 12, 12,
                                    5, 6, 9, 14, 12, 12, 12, 12, 9, 13, 14, 12, 12, 12, 12, 12,
                                    10, 14, 12, 12, 12, 12, 12, 12, 15, 12, 12, 12, 12, 12, 12, 12,
                                    15, 12, 12, 12, 12, 12, 12, 12, 15, 12, 12, 12, 12, 12, 12, 12};
const unsigned kLumaLevel9[64] = {1, 1, 1, 1, 2, 2, 2, 3, 1, 1, 1, 1, 1, 2, 2, 3,
                                  1, 1, 1, 1, 2, 3, 4, 5, 1, 1, 1, 2, 3, 4, 5, 7,
                                  2, 1, 2, 3, 4, 5, 7, 8, 2, 2, 3, 4, 5, 7, 8, 8,
                                  2, 2, 4, 5, 7, 8, 8, 8, 3, 3, 5, 7, 8, 8, 8, 8};
const unsigned kChromaLevel9[64] = {1, 1, 2, 4, 7, 8, 8, 8, 1, 2, 3, 5, 8, 8, 8, 8,
                                    2, 3, 4, 8, 8, 8, 8, 8, 4, 5, 8, 8, 8, 8, 8, 8,
                                    7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
                                    8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};

std::vector<unsigned> table(const unsigned (&values)[64]) {
    return std::vector<unsigned>(values, values + 64);
}

std::vector<uint8_t> encode(const TestPicture& picture, const JpegEncodeOptions& options) {
    const Rgba8Picture view = picture.view();
    const JpegRowSource source = rgba8RowSource(view);
    const MemoryService memory = systemMemoryService();
    MemoryBlock block;
    size_t bytes = 0;
    EXPECT_EQ(encodeJpegToMemory(&source, options, &memory, block, bytes), kJpegEncoded);
    const uint8_t* data = static_cast<const uint8_t*>(block.data);
    std::vector<uint8_t> out(data, data + bytes);
    if (block.data != nullptr) memory.release(memory.context, &block);
    return out;
}

JpegEncodeOptions withQuality(int32_t quality) {
    JpegEncodeOptions options;
    options.quality = quality;
    return options;
}

TestPicture greyPicture(int32_t width, int32_t height) {
    return makePicture(width, height, [](int32_t x, int32_t y, uint8_t* p) {
        p[0] = p[1] = p[2] = static_cast<uint8_t>((x * 7 + y * 3) & 0xFF);
        p[3] = 255;
    });
}

std::vector<uint8_t> decodeRgba(const std::vector<uint8_t>& jpeg, int32_t width, int32_t height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 0);
    DecodeTarget target;
    target.pixels = pixels.data();
    target.width = width;
    target.height = height;
    EXPECT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), target));
    return pixels;
}

const uint8_t* pixelAt(const std::vector<uint8_t>& rgba, int32_t width, int32_t x, int32_t y) {
    return &rgba[(static_cast<size_t>(y) * width + x) * 4];
}

int countMarkers(const std::vector<JpegSegment>& segments, uint8_t marker) {
    int count = 0;
    for (const JpegSegment& segment : segments) count += segment.marker == marker;
    return count;
}

// A one-component JPEG made with libjpeg directly, as other programs make them.
std::vector<uint8_t> greyscaleJpeg(int width, int height, uint8_t (*sample)(int, int), bool progressive = false) {
    jpeg_compress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&codec, &buffer, &size);
    codec.image_width = static_cast<JDIMENSION>(width);
    codec.image_height = static_cast<JDIMENSION>(height);
    codec.input_components = 1;
    codec.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 100, TRUE);
    if (progressive) jpeg_simple_progression(&codec);
    jpeg_start_compress(&codec, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) row[static_cast<size_t>(x)] = sample(x, y);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&codec, rows, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool refuseEverything(void*, size_t, MemoryBlock*) {
    return false;
}
void releaseNothing(void*, MemoryBlock*) {}
}  // namespace

TEST(JpegEncoder, SmallPicturesAreRaisedToSixteenWithEdgesRepeated) {
    // 10 x 5: columns 0..8 black, column 9 white; at quality 99 the extra
    // columns 10..15 of the 16 x 16 JPEG must come out white.
    const TestPicture lastColumnWhite = makePicture(10, 5, [](int32_t x, int32_t, uint8_t* p) {
        p[0] = p[1] = p[2] = x == 9 ? 255 : 0;
        p[3] = 255;
    });
    const std::vector<uint8_t> wide = encode(lastColumnWhite, withQuality(99));
    const FrameInfo frame = frameInfo(jpegSegments(wide));
    EXPECT_EQ(frame.width, 16);
    EXPECT_EQ(frame.height, 16);
    const std::vector<uint8_t> columns = decodeRgba(wide, 16, 16);
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 8; ++x) EXPECT_LT(pixelAt(columns, 16, x, y)[0], 40) << x << "," << y;
        for (int32_t x = 10; x < 16; ++x) EXPECT_GT(pixelAt(columns, 16, x, y)[0], 215) << x << "," << y;
    }

    // Rows 0..3 black, row 4 white: rows 5..15 repeat the white row.
    const TestPicture lastRowWhite = makePicture(10, 5, [](int32_t, int32_t y, uint8_t* p) {
        p[0] = p[1] = p[2] = y == 4 ? 255 : 0;
        p[3] = 255;
    });
    const std::vector<uint8_t> rows = decodeRgba(encode(lastRowWhite, withQuality(99)), 16, 16);
    for (int32_t x = 0; x < 16; ++x) {
        for (int32_t y = 0; y < 3; ++y) EXPECT_LT(pixelAt(rows, 16, x, y)[1], 40) << x << "," << y;
        for (int32_t y = 5; y < 16; ++y) EXPECT_GT(pixelAt(rows, 16, x, y)[1], 215) << x << "," << y;
    }
}

TEST(JpegEncoder, LargerPicturesKeepTheirSize) {
    const FrameInfo frame = frameInfo(jpegSegments(encode(greyPicture(37, 16), withQuality(80))));
    EXPECT_EQ(frame.width, 37);
    EXPECT_EQ(frame.height, 16);
    EXPECT_EQ(frame.components, 3);
}

TEST(JpegEncoder, QualityIsClampedAndPicksTablesAndSampling) {
    EXPECT_EQ(clampJpegQuality(-5), 0);
    EXPECT_EQ(clampJpegQuality(100), 99);
    EXPECT_EQ(clampJpegQuality(1000), 99);
    EXPECT_EQ(jpegTableLevel(49), 4);
    EXPECT_EQ(jpegTableLevel(50), 5);

    const TestPicture picture = greyPicture(24, 24);
    const std::vector<JpegSegment> top = jpegSegments(encode(picture, withQuality(100)));
    EXPECT_EQ(quantTable(top, 0), table(kLumaLevel9));
    EXPECT_EQ(quantTable(top, 1), table(kChromaLevel9));
    EXPECT_EQ(frameInfo(top).sampling[0], 0x11);

    const std::vector<JpegSegment> bottom = jpegSegments(encode(picture, withQuality(-5)));
    EXPECT_EQ(quantTable(bottom, 0), table(kLumaLevel0));
    EXPECT_EQ(quantTable(bottom, 1), table(kChromaLevel0));
    const FrameInfo frame = frameInfo(bottom);
    EXPECT_EQ(frame.sampling[0], 0x22);
    EXPECT_EQ(frame.sampling[1], 0x11);
    EXPECT_EQ(frame.sampling[2], 0x11);

    const std::vector<JpegSegment> preset = jpegSegments(encode(picture, withQuality(80)));
    EXPECT_EQ(quantTable(preset, 0), table(kLumaLevel8));
    EXPECT_EQ(quantTable(preset, 1), table(kChromaLevel8));
    EXPECT_EQ(frameInfo(preset).sampling[0], 0x11);

    EXPECT_EQ(frameInfo(jpegSegments(encode(picture, withQuality(49)))).sampling[0], 0x22);
    EXPECT_EQ(frameInfo(jpegSegments(encode(picture, withQuality(50)))).sampling[0], 0x11);
}

TEST(JpegEncoder, PlainPictureHasJfifThenTheAddressComment) {
    const std::vector<JpegSegment> segments = jpegSegments(encode(greyPicture(16, 16), withQuality(80)));
    ASSERT_GE(segments.size(), 4u);
    EXPECT_EQ(segments[0].marker, 0xD8);
    EXPECT_EQ(segments[1].marker, 0xE0);
    EXPECT_EQ(std::memcmp(segments[1].payload.data(), "JFIF\0", 5), 0);
    EXPECT_EQ(segments[2].marker, 0xFE);
    // The address and its 0 byte; the segment's length field adds 2.
    std::vector<uint8_t> comment(kHomePageAddress, kHomePageAddress + std::strlen(kHomePageAddress) + 1);
    EXPECT_EQ(segments[2].payload, comment);
    EXPECT_EQ(segments[3].marker, 0xDB);
    EXPECT_EQ(countMarkers(segments, 0xEE), 0);  // no Adobe segment for RGB input
    EXPECT_EQ(countMarkers(segments, 0xE1), 0);
    EXPECT_EQ(countMarkers(segments, 0xED), 0);
}

TEST(JpegEncoder, SegmentsFollowInTheProductsOrderAndTheProfileIsChunked) {
    MetadataBlock exif, iptc;
    ASSERT_EQ(buildExifBlock(exif, true, MetadataPass::write), 47);
    ASSERT_GT(buildIptcBlock(iptc, true, MetadataPass::write, UtcDate{2024, 3, 7, 0, 0, 0}), 0);
    std::vector<uint8_t> profile(70000);
    for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<uint8_t>(i * 31 + 7);

    JpegEncodeOptions options = withQuality(80);
    options.exif = &exif;
    options.iptc = &iptc;
    options.iccProfile = profile.data();
    options.iccProfileBytes = profile.size();
    const std::vector<JpegSegment> segments = jpegSegments(encode(greyPicture(16, 16), options));
    ASSERT_GE(segments.size(), 8u);
    const uint8_t expectedOrder[] = {0xD8, 0xE0, 0xFE, 0xE1, 0xE2, 0xE2, 0xED, 0xDB};
    for (size_t i = 0; i < sizeof expectedOrder; ++i) EXPECT_EQ(segments[i].marker, expectedOrder[i]) << i;

    EXPECT_EQ(segments[3].payload, std::vector<uint8_t>(exif.buffer, exif.buffer + exif.byteCount));
    EXPECT_EQ(segments[6].payload, std::vector<uint8_t>(iptc.buffer, iptc.buffer + iptc.byteCount));

    // 70000 bytes: ceil(70000 / 65519) = 2 chunks of 65519 and 4481 bytes.
    const JpegSegment& first = segments[4];
    const JpegSegment& second = segments[5];
    EXPECT_EQ(std::memcmp(first.payload.data(), "ICC_PROFILE\0", 12), 0);
    EXPECT_EQ(first.payload[12], 1);
    EXPECT_EQ(first.payload[13], 2);
    EXPECT_EQ(first.payload.size(), 14u + 65519u);
    EXPECT_EQ(second.payload[12], 2);
    EXPECT_EQ(second.payload[13], 2);
    EXPECT_EQ(second.payload.size(), 14u + 4481u);
    std::vector<uint8_t> joined(first.payload.begin() + 14, first.payload.end());
    joined.insert(joined.end(), second.payload.begin() + 14, second.payload.end());
    EXPECT_EQ(joined, profile);
}

TEST(JpegEncoder, OversizedPayloadsAreLeftOut) {
    MetadataBlock huge;
    huge.buffer = static_cast<unsigned char*>(globalAllocate(65534));
    ASSERT_NE(huge.buffer, nullptr);
    huge.capacity = 65534;
    huge.byteCount = 65534;  // one byte more than a segment can hold
    JpegEncodeOptions options = withQuality(80);
    options.exif = &huge;
    options.iptc = &huge;
    const std::vector<JpegSegment> segments = jpegSegments(encode(greyPicture(16, 16), options));
    EXPECT_EQ(countMarkers(segments, 0xE1), 0);
    EXPECT_EQ(countMarkers(segments, 0xED), 0);
    EXPECT_EQ(countMarkers(segments, 0xDA), 1);

    // A profile that would need 256 chunks cannot be numbered: left out.
    EXPECT_EQ(iccSegmentCount(255 * kIccBytesPerSegment), 255u);
    EXPECT_EQ(iccSegmentCount(255 * kIccBytesPerSegment + 1), 0u);
    EXPECT_EQ(iccSegmentCount(0), 0u);
}

TEST(JpegEncoder, ThumbnailHeaderFramesTheBytes) {
    const TestPicture picture = greyPicture(20, 12);
    const std::vector<uint8_t> bare = encode(picture, withQuality(80));
    const std::string path = testTemporaryFolder() + "/framed.bin";
    {
        PlatformFile file;
        ASSERT_TRUE(file.open(path.c_str(), FileAccess::replace));
        const Rgba8Picture view = picture.view();
        const JpegRowSource source = rgba8RowSource(view);
        const MemoryService memory = systemMemoryService();
        JpegEncodeOptions options = withQuality(80);
        options.thumbnailHeader = true;
        EXPECT_EQ(encodeJpeg(&source, file, options, &memory), kJpegEncoded);
        EXPECT_EQ(file.close(), 0);
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), 16 + bare.size());
    const uint8_t header[12] = {0, 0, 0, 1, 0, 0, 0, 20, 0, 0, 0, 16};  // 1, width 20, height raised to 16
    EXPECT_EQ(std::memcmp(bytes.data(), header, 12), 0);
    EXPECT_EQ(loadBigEndian32(bytes.data() + 12), bare.size());
    EXPECT_TRUE(std::equal(bare.begin(), bare.end(), bytes.begin() + 16));
}

TEST(JpegEncoder, FailuresReturnTheirCodesAndKeepThePresetStreamWhole) {
    const MemoryService memory = systemMemoryService();
    MemoryService refusing;
    refusing.allocate = refuseEverything;
    refusing.release = releaseNothing;
    const TestPicture picture = greyPicture(16, 16);
    const Rgba8Picture view = picture.view();
    const JpegRowSource source = rgba8RowSource(view);
    JpegRowSource empty = source;
    empty.width = 0;

    const std::string path = testTemporaryFolder() + "/failed.bin";
    PlatformFile file;
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::replace));
    JpegEncodeOptions options = withQuality(80);
    EXPECT_EQ(encodeJpeg(nullptr, file, options, &memory), kJpegNoImage);
    EXPECT_EQ(encodeJpeg(&empty, file, options, &memory), kJpegNoPixels);
    EXPECT_EQ(encodeJpeg(&source, file, options, nullptr), kJpegNoAllocator);
    EXPECT_EQ(encodeJpeg(&source, file, options, &refusing), kJpegNoBuffer);
    options.thumbnailHeader = true;  // now each failure writes a single 0
    EXPECT_EQ(encodeJpeg(&source, file, options, &refusing), kJpegNoBuffer);
    EXPECT_EQ(encodeJpeg(&source, file, options, nullptr), kJpegNoAllocator);
    EXPECT_EQ(file.close(), 0);
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes, std::vector<uint8_t>(8, 0));
}

TEST(JpegEncoder, ChannelsAreClampedThenTruncated) {
    // Colours outside 0..1 (and NaN) must clamp: a red of 7 is 255, a
    // negative green is 0.
    struct Wild {
        static void row(const void*, int32_t, EffectColor* out) {
            for (int i = 0; i < 16; ++i) out[i] = EffectColor{7.0f, -3.0f, std::nanf(""), 1.0f};
        }
    };
    JpegRowSource source;
    source.width = source.height = 16;
    source.readRow = Wild::row;
    const MemoryService memory = systemMemoryService();
    MemoryBlock block;
    size_t bytes = 0;
    ASSERT_EQ(encodeJpegToMemory(&source, withQuality(99), &memory, block, bytes), kJpegEncoded);
    std::vector<uint8_t> jpeg(static_cast<uint8_t*>(block.data), static_cast<uint8_t*>(block.data) + bytes);
    memory.release(memory.context, &block);
    const std::vector<uint8_t> pixels = decodeRgba(jpeg, 16, 16);
    EXPECT_GT(pixels[0], 245);
    EXPECT_LT(pixels[1], 10);
    EXPECT_LT(pixels[2], 10);
}

TEST(JpegDecoder, RoundTripsAtHighQualityWithOpaqueAlpha) {
    const TestPicture picture = makePicture(32, 24, [](int32_t x, int32_t y, uint8_t* p) {
        p[0] = static_cast<uint8_t>(x * 8);
        p[1] = static_cast<uint8_t>(y * 10);
        p[2] = 128;
        p[3] = 0;  // transparency is not stored
    });
    const std::vector<uint8_t> pixels = decodeRgba(encode(picture, withQuality(99)), 32, 24);
    int worst = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(pixels[i + c] - picture.rgba[i + c]));
        ASSERT_EQ(pixels[i + 3], 255);
    }
    EXPECT_LE(worst, 8);
}

TEST(JpegDecoder, GreyTargetsWeighTheThreeChannels) {
    const TestPicture orange = makePicture(16, 16, [](int32_t, int32_t, uint8_t* p) {
        p[0] = 240;
        p[1] = 120;
        p[2] = 30;
        p[3] = 255;
    });
    const std::vector<uint8_t> jpeg = encode(orange, withQuality(99));
    const std::vector<uint8_t> rgba = decodeRgba(jpeg, 16, 16);
    std::vector<uint8_t> grey(16 * 16, 0);
    DecodeTarget target;
    target.pixels = grey.data();
    target.width = target.height = 16;
    target.layout = DecodedLayout::grey8;
    ASSERT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), target));
    for (int i = 0; i < 256; ++i) {
        const int expected = (77 * rgba[4 * i] + 150 * rgba[4 * i + 1] + 28 * rgba[4 * i + 2]) >> 8;
        ASSERT_EQ(grey[i], expected) << i;
    }
    // 240, 120, 30 -> (18480 + 18000 + 840) >> 8 = 145.
    EXPECT_EQ(greyFromRgb(240, 120, 30), 145);
}

TEST(JpegDecoder, SizesThatDifferFromTheTargetStayInside) {
    const TestPicture picture = greyPicture(40, 30);
    const std::vector<uint8_t> jpeg = encode(picture, withQuality(90));
    // A target smaller than the picture takes its top-left part only.
    std::vector<uint8_t> small(8 * 4 * 4, 0);
    DecodeTarget target;
    target.pixels = small.data();
    target.width = 8;
    target.height = 4;
    EXPECT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), target));
    EXPECT_EQ(small[3], 255);
    // A larger one keeps what lies beyond the picture as it was.
    std::vector<uint8_t> large(64 * 64 * 4, 7);
    target.pixels = large.data();
    target.width = target.height = 64;
    EXPECT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), target));
    EXPECT_EQ(pixelAt(large, 64, 39, 29)[3], 255);
    EXPECT_EQ(pixelAt(large, 64, 40, 0)[0], 7);
    EXPECT_EQ(pixelAt(large, 64, 0, 30)[0], 7);
}

TEST(JpegDecoder, BrokenStreamsFailSilently) {
    std::vector<uint8_t> pixels(16 * 16 * 4, 9);
    DecodeTarget target;
    target.pixels = pixels.data();
    target.width = target.height = 16;
    const uint8_t garbage[] = {0xFF, 0xD8, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x05};
    EXPECT_FALSE(decodeJpeg(garbage, sizeof garbage, target));
    const uint8_t notJpeg[] = {'P', 'N', 'G', 0};
    EXPECT_FALSE(decodeJpeg(notJpeg, sizeof notJpeg, target));
    EXPECT_FALSE(decodeJpeg(nullptr, 10, target));
    EXPECT_EQ(pixels, std::vector<uint8_t>(16 * 16 * 4, 9));

    // A stream cut in the middle of its data still finishes as far as it goes.
    std::vector<uint8_t> jpeg = encode(greyPicture(64, 64), withQuality(80));
    jpeg.resize(jpeg.size() / 2);
    std::vector<uint8_t> cut(64 * 64 * 4, 0);
    target.pixels = cut.data();
    target.width = target.height = 64;
    EXPECT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), target));
    EXPECT_EQ(cut[3], 255);
    // Cut inside its header: nothing decoded.
    jpeg.resize(40);
    EXPECT_FALSE(decodeJpeg(jpeg.data(), jpeg.size(), target));
}

TEST(JpegDecoder, OneComponentPicturesBecomeGreyRgbOrGrey) {
    const std::vector<uint8_t> jpeg = greyscaleJpeg(16, 16, [](int, int) -> uint8_t { return 200; });
    const std::vector<uint8_t> rgba = decodeRgba(jpeg, 16, 16);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_NEAR(rgba[i], 200, 1);
        ASSERT_EQ(rgba[i + 1], rgba[i]);
        ASSERT_EQ(rgba[i + 2], rgba[i]);
        ASSERT_EQ(rgba[i + 3], 255);
    }
    std::vector<uint8_t> grey(16 * 16, 0);
    DecodeTarget target;
    target.pixels = grey.data();
    target.width = target.height = 16;
    target.layout = DecodedLayout::grey8;
    ASSERT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), target));
    for (size_t i = 0; i < grey.size(); ++i) ASSERT_EQ(grey[i], rgba[4 * i]);
}

TEST(JpegDecoder, AHugeDeclaredSizeIsRefusedNotAllocated) {
    // A progressive picture keeps every coefficient of the whole image; a
    // header claiming 60000 x 60000 pixels would ask for gigabytes.
    std::vector<uint8_t> jpeg = greyscaleJpeg(16, 16, [](int x, int) -> uint8_t { return static_cast<uint8_t>(x * 9); },
                                              true);
    bool patched = false;
    for (size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {  // progressive frame header
            jpeg[i + 5] = 0xEA;  // height 60000
            jpeg[i + 6] = 0x60;
            jpeg[i + 7] = 0xEA;  // width 60000
            jpeg[i + 8] = 0x60;
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched);
    std::vector<uint8_t> pixels(16 * 16 * 4, 3);
    DecodeTarget target;
    target.pixels = pixels.data();
    target.width = target.height = 16;
    EXPECT_FALSE(decodeJpeg(jpeg.data(), jpeg.size(), target));
    EXPECT_EQ(pixels, std::vector<uint8_t>(16 * 16 * 4, 3));
}
