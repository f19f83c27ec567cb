// The preset file: the version-40 layout value by value, the thumbnail
// block, the readers of old versions with their conversions, and files that
// are short, hostile or longer than what is written.
#include "settings/preset_file.h"
#include "settings/preset_record.h"
#include "model/settings_table.h"

#include "preset_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const MemoryService kMemory = systemMemoryService();

UserSettings freshSettings() {
    FilterParameters parameters;
    initialiseParameters(parameters);
    return parameters.settings;
}

// Every field a different value, so a swapped position shows.
UserSettings distinctSettings() {
    UserSettings s = freshSettings();
    s.vignetteColor = {1, 2, 3};
    s.auxColorA = {4, 5, 6};
    s.sepiaColor = {7, 8, 9};
    s.auxColorB = {10, 11, 12};
    s.auxColorC = {13, 14, 15};
    s.auxColorD = {16, 17, 18};
    s.auxColorE = {19, 20, 21};
    s.auxColorF = {22, 23, 65535};
    int32_t next = 100;
    for (int32_t* field : {&s.auxInt1, &s.auxInt2, &s.auxInt3, &s.auxInt4, &s.focus, &s.vignette, &s.auxInt5,
                           &s.auxInt6, &s.auxInt7, &s.auxInt8, &s.dampen, &s.highQuality, &s.auxInt9,
                           &s.uniformSepia, &s.sepia, &s.colorBlur, &s.cbWidth, &s.auxInt10, &s.auxInt11,
                           &s.saturation, &s.auxInt12, &s.auxInt13, &s.auxInt14, &s.auxInt15, &s.auxInt16,
                           &s.auxInt17, &s.centerVignette, &s.clearArea, &s.shape, &s.auxInt18, &s.auxInt19})
        *field = next++;
    s.glue = 17;
    s.saturation = -40;
    s.xCenter = 0.25f;
    s.yCenter = 0.75f;
    s.auxVectorA[0] = 0.5f;
    s.auxVectorA[1] = -0.25f;
    s.auxVectorA[2] = 0.75f;
    s.auxVectorB[0] = 1.0f;
    s.auxVectorB[1] = 0.0f;
    s.auxVectorB[2] = -0.5f;
    return s;
}

std::vector<uint8_t> writtenBytes(const std::string& name, const UserSettings& settings,
                                  const PresetPicture* picture) {
    const std::string path = presetTestPath(name);
    std::remove(path.c_str());
    EXPECT_EQ(writePreset(path.c_str(), settings, picture, kMemory), 0);
    return readWholeFile(path);
}

int16_t readBytes(const std::vector<uint8_t>& bytes, PresetReadMode mode, UserSettings& settings,
                  PresetPicture* picture, PresetReadInfo* info) {
    PlatformFile file;
    EXPECT_TRUE(file.openMemory(bytes.data(), bytes.size()));
    return readPresetFrom(file, mode, settings, picture, kMemory, info);
}

// The first 44 values of a version 2..4 file, as the format laid them out.
std::vector<int32_t> oldVersionValues(int32_t version) {
    return {version,
            100, 200, 300 + 65536,  // vignette colour; only the low 16 bits count
            1, 2, 3,                // auxColorA
            400, 500, 600,          // sepia colour
            7,                      // auxInt1
            11, 12, 13, 14, 15,     // auxInt2..4, focus, vignette
            16, 17, 18, 19,         // auxInt5..8
            20, 1, 22,              // dampen, high quality, auxInt9
            23, 30,                 // sepia, color blur
            25, 26, 27, 28, 29,     // CB width, auxInt10, auxInt11, auxInt13, auxInt14
            1000, 1001, 1002,       // auxColorD
            2000, 2001, 2002,       // auxColorD again
            7, 8, 9,                // auxColorF
            77, 40, 0,              // saturation, auxInt12, uniform sepia
            5, 999};                // glue, ignored
}

bool sameSettings(const UserSettings& a, const UserSettings& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
}  // namespace

TEST(PresetWriter, WritesTheVersion40LayoutValueByValue) {
    const std::vector<uint8_t> bytes = writtenBytes("layout.z5a", freshSettings(), nullptr);
    // 71 values, then the thumbnail flag 0 alone.
    ASSERT_EQ(bytes.size(), 284u + 4u);
    const std::vector<int32_t> expected = {
        40,                                          // version
        0, 0, 0,                                     // vignette colour
        27632, 33553, 40133,                         // auxColorA
        32639, 25186, 17476,                         // sepia colour
        33, 50, 80, 80,                              // auxInt1..4
        36, 57,                                      // focus, vignette
        0, 30, 4, 50,                                // auxInt5..8
        40, 0, 0,                                    // dampen, high quality, auxInt9
        0, 0,                                        // sepia, color blur
        40, 25, 50, 50, 4,                           // CB width, auxInt10, 11, 13, 14
        65535, 65535, 65535, 65535, 65535, 65535,    // auxColorD twice
        0, 0, 0,                                     // auxColorF
        50, 50, 0,                                   // saturation, auxInt12, uniform sepia
        1, 1,                                        // glue, constant
        0, 57, 0,                                    // auxInt15, auxInt16, center vignette
        42, 1,                                       // clear area, shape
        -68, -68, 27,                                // auxVectorA x 100 (0.2742261 -> 27)
        0, -100, 0,                                  // auxVectorB x 100
        21, 100, 1, 0,                               // auxInt18, auxInt17, constant, auxInt19
        58339, 51400, 37265,                         // auxColorB
        57825, 58339, 61423,                         // auxColorC
        0,                                           // no texture
        28835, 24903, 13107,                         // auxColorE
        32768, 32768,                                // centre x 65536
        0};                                          // no thumbnail
    ASSERT_EQ(expected.size(), 72u);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(valueAt(bytes, i), expected[i]) << "value " << i;
}

TEST(PresetWriter, ScalesFloatsInSinglePrecisionAndTruncates) {
    UserSettings settings = freshSettings();
    settings.xCenter = 0.3f;          // 19660.8 -> 19660
    settings.yCenter = -0.3f;         // -19660.8 -> -19660
    settings.auxVectorA[0] = 0.29f;   // 0.28999999 x 100 rounds to 29.0f in single precision
    settings.auxVectorA[1] = -0.999f; // -99.9 -> -99
    settings.auxVectorB[0] = 1e30f;   // far out of range: the largest value, not undefined
    settings.auxVectorB[1] = std::nanf("");
    const std::vector<uint8_t> bytes = writtenBytes("floats.z5a", settings, nullptr);
    EXPECT_EQ(valueAt(bytes, 69), 19660);
    EXPECT_EQ(valueAt(bytes, 70), -19660);
    EXPECT_EQ(valueAt(bytes, 49), 29);
    EXPECT_EQ(valueAt(bytes, 50), -99);
    EXPECT_EQ(valueAt(bytes, 52), INT32_MAX);
    EXPECT_EQ(valueAt(bytes, 53), 0);
}

TEST(PresetWriter, ThumbnailBlockCarriesTheFramedJpeg) {
    const PresetPicture picture = rampPicture();
    const std::vector<uint8_t> bytes = writtenBytes("thumb.z5a", freshSettings(), &picture);
    ASSERT_GT(bytes.size(), 300u);
    EXPECT_EQ(valueAt(bytes, 71), 1);
    EXPECT_EQ(valueAt(bytes, 72), 128);
    EXPECT_EQ(valueAt(bytes, 73), 128);
    const int32_t length = valueAt(bytes, 74);
    EXPECT_EQ(bytes.size(), 284u + 16u + static_cast<size_t>(length));
    EXPECT_EQ(bytes[300], 0xFF);
    EXPECT_EQ(bytes[301], 0xD8);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
}

TEST(PresetWriter, WritingOverALongerFileKeepsItsTail) {
    const std::string path = presetTestPath("longer.z5a");
    writeWholeFile(path, std::vector<uint8_t>(5000, 0xAB));
    const UserSettings settings = distinctSettings();
    ASSERT_EQ(writePreset(path.c_str(), settings, nullptr, kMemory), 0);
    const std::vector<uint8_t> bytes = readWholeFile(path);
    ASSERT_EQ(bytes.size(), 5000u);
    EXPECT_EQ(valueAt(bytes, 0), 40);
    EXPECT_EQ(valueAt(bytes, 71), 0);
    for (size_t i = 288; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0xAB) << i;

    UserSettings read = freshSettings();
    PresetReadInfo info;
    ASSERT_EQ(readPreset(path.c_str(), PresetReadMode::full, read, nullptr, kMemory, &info), 0);
    EXPECT_EQ(info.version, 40);
    EXPECT_TRUE(sameSettings(read, settings));
}

TEST(PresetWriter, ReportsFilesItCannotOpenOrFill) {
    EXPECT_EQ(writePreset(presetTestPath("no-such-folder/x.z5a").c_str(), freshSettings(), nullptr, kMemory),
              kPresetCannotOpen);
    EXPECT_EQ(writePreset(nullptr, freshSettings(), nullptr, kMemory), kPresetCannotOpen);
#ifndef _WIN32
    // A file that cannot grow past 100 bytes takes the first values only.
    const PresetPicture picture = rampPicture();
    const std::string limited = presetTestPath("limited.z5a");
    std::filesystem::remove(limited);
    FileSizeLimit limit(100);
    EXPECT_EQ(writePreset(limited.c_str(), freshSettings(), &picture, kMemory), kWriteFailed);
#endif
}

TEST(PresetReader, ReadThenWriteGivesTheSameLeadingBytes) {
    for (const UserSettings& original : {freshSettings(), distinctSettings()}) {
        const std::vector<uint8_t> first = writtenBytes("first.z5a", original, nullptr);
        UserSettings read = freshSettings();
        PresetReadInfo info;
        ASSERT_EQ(readBytes(first, PresetReadMode::full, read, nullptr, &info), 0);
        EXPECT_FALSE(info.endedEarly);
        const std::vector<uint8_t> second = writtenBytes("second.z5a", read, nullptr);
        ASSERT_GE(second.size(), 284u);
        EXPECT_TRUE(std::equal(first.begin(), first.begin() + 284, second.begin()));
    }
}

TEST(PresetReader, StoredPictureComesBackInThumbnailOnlyMode) {
    const PresetPicture original = rampPicture();
    const UserSettings written = distinctSettings();
    const std::vector<uint8_t> bytes = writtenBytes("picture.z5a", written, &original);

    UserSettings settings = freshSettings();
    const UserSettings before = settings;
    PresetPicture picture;
    PresetReadInfo info;
    ASSERT_EQ(readBytes(bytes, PresetReadMode::thumbnailOnly, settings, &picture, &info), 0);
    EXPECT_TRUE(info.pictureFound);
    EXPECT_TRUE(sameSettings(settings, before));  // values read and dropped
    ASSERT_EQ(picture.width, 128);
    ASSERT_EQ(picture.height, 128);
    int worst = 0;
    for (size_t i = 0; i < 128 * 128 * 4; i += 4) {
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(picture.rgba[i + c] - original.rgba[i + c]));
        ASSERT_EQ(picture.rgba[i + 3], 255);
    }
    EXPECT_LE(worst, 12);

    // Full mode takes the values and the picture; no picture: passed over.
    ASSERT_EQ(readBytes(bytes, PresetReadMode::full, settings, nullptr, &info), 0);
    EXPECT_FALSE(info.pictureFound);
    EXPECT_FALSE(info.endedEarly);
    EXPECT_TRUE(sameSettings(settings, written));
}

TEST(PresetReader, Version3FileIsConverted) {
    std::vector<int32_t> values = oldVersionValues(3);
    ASSERT_EQ(values.size(), 44u);
    UserSettings s = freshSettings();
    s.centerVignette = 1;  // must be cleared for versions before 25
    s.auxInt15 = 9;        // cleared before 24
    const UserSettings before = s;
    PresetPicture picture = rampPicture();
    PresetReadInfo info;
    ASSERT_EQ(readBytes(bigEndianValues(values), PresetReadMode::full, s, &picture, &info), 0);
    EXPECT_EQ(info.version, 3);
    EXPECT_FALSE(info.pictureFound);
    EXPECT_FALSE(info.endedEarly);

    EXPECT_EQ(s.vignetteColor.red, 100);
    EXPECT_EQ(s.vignetteColor.blue, 300);
    EXPECT_EQ(s.sepiaColor.green, 500);
    EXPECT_EQ(s.centerVignette, 0);
    EXPECT_EQ(s.shape, 1);  // not in the file, not converted
    EXPECT_EQ(s.clearArea, 100);
    EXPECT_EQ(s.dampen, 50);
    EXPECT_EQ(s.vignette, 57);
    EXPECT_EQ(s.cbWidth, 0);
    EXPECT_EQ(s.saturation, 50);
    EXPECT_EQ(s.colorBlur, 70);     // 100 - 30
    EXPECT_EQ(s.uniformSepia, 1);   // 0 + 1
    EXPECT_EQ(s.auxInt15, 0);
    EXPECT_EQ(s.auxInt1, 23);       // 7 / 0.3 = 23.33
    EXPECT_EQ(s.auxColorD.red, 100);  // the vignette colour
    EXPECT_EQ(s.auxColorD.green, 200);
    EXPECT_EQ(s.auxColorD.blue, 300);
    EXPECT_EQ(s.auxColorF.blue, 9);
    EXPECT_EQ(s.glue, 5);
    EXPECT_EQ(s.focus, 14);
    EXPECT_EQ(s.highQuality, 1);
    EXPECT_EQ(s.auxInt14, 29);
    // Fields the old version lacks keep their values.
    EXPECT_EQ(s.auxInt16, before.auxInt16);
    EXPECT_EQ(s.auxInt18, before.auxInt18);
    EXPECT_EQ(s.xCenter, before.xCenter);
    EXPECT_EQ(s.auxVectorA[2], before.auxVectorA[2]);
    EXPECT_EQ(s.auxColorE.red, before.auxColorE.red);
    EXPECT_EQ(picture.rgba[0], rampPicture().rgba[0]);  // no thumbnail in version 3
}

TEST(PresetReader, Version10FileIsConverted) {
    std::vector<int32_t> values = oldVersionValues(10);
    for (int32_t v : {44, 45, 1,        // auxInt15, auxInt16, center vignette
                      47, 98,           // clear area, shape
                      50, -25, 1,       // auxVectorA x 100
                      -100, 0, 100})    // auxVectorB x 100
        values.push_back(v);
    UserSettings s = freshSettings();
    PresetReadInfo info;
    ASSERT_EQ(readBytes(bigEndianValues(values), PresetReadMode::full, s, nullptr, &info), 0);
    EXPECT_EQ(info.version, 10);
    EXPECT_EQ(s.uniformSepia, 1);   // stored 0, one higher
    EXPECT_EQ(s.colorBlur, 70);     // 100 - 30
    EXPECT_EQ(s.dampen, 20);        // kept from version 7 on
    EXPECT_EQ(s.auxColorD.red, 2000);
    EXPECT_EQ(s.auxColorD.blue, 2002);
    EXPECT_EQ(s.clearArea, 47);
    EXPECT_EQ(s.shape, 2);          // 100 - 98 up to version 12
    EXPECT_EQ(s.centerVignette, 0);
    EXPECT_EQ(s.auxInt15, 0);
    EXPECT_EQ(s.auxInt16, 45);
    EXPECT_EQ(s.saturation, 50);
    EXPECT_EQ(s.vignette, 57);
    EXPECT_EQ(s.cbWidth, 0);
    EXPECT_EQ(s.auxInt1, 23);
    EXPECT_FLOAT_EQ(s.auxVectorA[0], 0.5f);
    EXPECT_FLOAT_EQ(s.auxVectorA[1], -0.25f);
    EXPECT_FLOAT_EQ(s.auxVectorA[2], 0.01f);
    EXPECT_FLOAT_EQ(s.auxVectorB[0], -1.0f);
    EXPECT_FLOAT_EQ(s.auxVectorB[2], 1.0f);
    EXPECT_FALSE(info.endedEarly);
}

TEST(PresetReader, ThumbnailOnlyModeConvertsNothing) {
    UserSettings s = freshSettings();
    const UserSettings before = s;
    PresetReadInfo info;
    ASSERT_EQ(readBytes(bigEndianValues(oldVersionValues(3)), PresetReadMode::thumbnailOnly, s, nullptr, &info),
              0);
    EXPECT_TRUE(sameSettings(s, before));
    EXPECT_FALSE(info.pictureFound);
}

TEST(PresetReader, TextureBlockReplacesThePictureOrIsPassedOver) {
    // Version 22: the 65 values up to auxColorC, then the texture block.
    std::vector<uint8_t> bytes = writtenBytes("texture-base.z5a", distinctSettings(), nullptr);
    bytes.resize(65 * 4);
    bytes[3] = 22;
    std::vector<uint8_t> texture = bigEndianValues({1, 2, 77});  // flag, side 2, ignored
    for (uint8_t b : {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}) texture.push_back(b);
    std::vector<uint8_t> file = bytes;
    file.insert(file.end(), texture.begin(), texture.end());

    UserSettings s = freshSettings();
    PresetPicture picture = rampPicture();
    PresetReadInfo info;
    ASSERT_EQ(readBytes(file, PresetReadMode::full, s, &picture, &info), 0);
    EXPECT_FALSE(info.endedEarly);
    ASSERT_EQ(picture.width, 2);
    ASSERT_EQ(picture.height, 2);
    const uint8_t expected[16] = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255};
    EXPECT_EQ(std::memcmp(picture.rgba, expected, 16), 0);

    // Version 23 without a picture: 12288 bytes are passed over, then auxColorE.
    bytes[3] = 23;
    file = bytes;
    const std::vector<uint8_t> head = bigEndianValues({1, 2, 0});
    file.insert(file.end(), head.begin(), head.end());
    file.insert(file.end(), kTexturePassOver, 0xEE);
    const std::vector<uint8_t> colorE = bigEndianValues({111, 222, 333});
    file.insert(file.end(), colorE.begin(), colorE.end());
    s = freshSettings();
    ASSERT_EQ(readBytes(file, PresetReadMode::full, s, nullptr, &info), 0);
    EXPECT_EQ(s.auxColorE.red, 111);
    EXPECT_EQ(s.auxColorE.green, 222);
    EXPECT_EQ(s.auxColorE.blue, 333);
    EXPECT_FALSE(info.endedEarly);
}

// A stored picture becomes the 128 x 128 preset picture: one of another size
// (after the clamp to 0..128) is copied into it resampled, so it is opaque.
TEST(PresetReader, StoredPicturesAreClampedLimitedTo49152BytesAndBecomeTheSquarePicture) {
    const PresetPicture original = rampPicture();
    const std::vector<uint8_t> withPicture = writtenBytes("limit.z5a", freshSettings(), &original);
    const std::vector<uint8_t> jpeg(withPicture.begin() + 300, withPicture.end());
    std::vector<uint8_t> values(withPicture.begin(), withPicture.begin() + 284);

    auto fileWith = [&](int32_t flag, int32_t width, int32_t height, std::vector<uint8_t> data) {
        std::vector<uint8_t> file = values;
        const std::vector<uint8_t> head = bigEndianValues({flag, width, height, static_cast<int32_t>(data.size())});
        file.insert(file.end(), head.begin(), head.end());
        file.insert(file.end(), data.begin(), data.end());
        return file;
    };
    UserSettings s = freshSettings();
    PresetReadInfo info;

    // Exactly 49152 bytes (the JPEG, then zeros) fit; a width of 500 is 128,
    // and the 128 x 64 picture is stretched to 128 x 128.
    std::vector<uint8_t> padded = jpeg;
    padded.resize(kStoredPictureLimit, 0);
    PresetPicture picture;
    ASSERT_EQ(readBytes(fileWith(1, 500, 64, padded), PresetReadMode::thumbnailOnly, s, &picture, &info), 0);
    EXPECT_TRUE(info.pictureFound);
    EXPECT_EQ(picture.width, 128);
    EXPECT_EQ(picture.height, 128);
    for (int i = 0; i < 128 * 128; ++i) ASSERT_EQ(picture.rgba[4 * i + 3], 255) << i;

    // One byte more does not fit the buffer: passed over, not found.
    padded.push_back(0);
    picture = PresetPicture{};
    ASSERT_EQ(readBytes(fileWith(1, 128, 128, padded), PresetReadMode::thumbnailOnly, s, &picture, &info), 0);
    EXPECT_FALSE(info.pictureFound);
    EXPECT_FALSE(info.endedEarly);
    EXPECT_EQ(picture.width, 0);

    // Other flags, or no pixels, are passed over too.
    ASSERT_EQ(readBytes(fileWith(2, 128, 128, jpeg), PresetReadMode::thumbnailOnly, s, &picture, &info), 0);
    EXPECT_FALSE(info.pictureFound);
    ASSERT_EQ(readBytes(fileWith(1, -4, 128, jpeg), PresetReadMode::thumbnailOnly, s, &picture, &info), 0);
    EXPECT_FALSE(info.pictureFound);
    EXPECT_FALSE(info.endedEarly);

    // A broken JPEG is found but decodes to nothing (zeros); copied into the
    // square it is opaque black. No crash, no message.
    ASSERT_EQ(readBytes(fileWith(1, 16, 16, std::vector<uint8_t>(100, 0x55)), PresetReadMode::thumbnailOnly, s,
                        &picture, &info), 0);
    EXPECT_TRUE(info.pictureFound);
    EXPECT_EQ(picture.width, 128);
    EXPECT_EQ(picture.height, 128);
    for (int i = 0; i < 128 * 128; ++i) {
        ASSERT_EQ(picture.rgba[4 * i + 3], 255) << i;
        ASSERT_EQ(picture.rgba[4 * i + 0] | picture.rgba[4 * i + 1] | picture.rgba[4 * i + 2], 0) << i;
    }
    // Written back, the picture is 128 x 128 whatever size was stored.
    const std::vector<uint8_t> again = writtenBytes("again.z5a", freshSettings(), &picture);
    const std::vector<uint8_t> head = bigEndianValues({1, 128, 128});
    EXPECT_TRUE(std::equal(head.begin(), head.end(), again.begin() + 284));
}

// A flat grey picture stored at 32 x 32 comes back as a flat 128 x 128
// picture of the same grey: resampling a flat image changes no value beyond
// the one the truncation to 8 bits may take off.
TEST(PresetReader, ASmallStoredPictureIsResampledToTheSquare) {
    PresetPicture flat;
    flat.width = flat.height = 32;
    for (int i = 0; i < 32 * 32; ++i) {
        flat.rgba[4 * i + 0] = flat.rgba[4 * i + 1] = flat.rgba[4 * i + 2] = 120;
        flat.rgba[4 * i + 3] = 255;
    }
    const std::vector<uint8_t> bytes = writtenBytes("flat32.z5a", freshSettings(), &flat);
    const std::vector<uint8_t> head = bigEndianValues({1, 32, 32});
    ASSERT_TRUE(std::equal(head.begin(), head.end(), bytes.begin() + 284));
    UserSettings s = freshSettings();
    PresetReadInfo info;
    PresetPicture picture;
    ASSERT_EQ(readBytes(bytes, PresetReadMode::thumbnailOnly, s, &picture, &info), 0);
    ASSERT_TRUE(info.pictureFound);
    EXPECT_EQ(picture.width, 128);
    EXPECT_EQ(picture.height, 128);
    // JPEG may move a flat block's value by one, the truncation by one more.
    for (int i = 0; i < 128 * 128; ++i)
        for (int c = 0; c < 3; ++c) ASSERT_NEAR(picture.rgba[4 * i + c], 120, 2) << i;
}

TEST(PresetReader, LaterVersionsAreReadAs40) {
    std::vector<uint8_t> bytes = writtenBytes("later.z5a", distinctSettings(), nullptr);
    bytes[3] = 41;
    UserSettings s = freshSettings();
    PresetReadInfo info;
    ASSERT_EQ(readBytes(bytes, PresetReadMode::full, s, nullptr, &info), 0);
    EXPECT_EQ(info.version, 41);
    EXPECT_TRUE(sameSettings(s, distinctSettings()));
}

TEST(PresetReader, FilesThatEndEarlyLeaveTheRestUnchanged) {
    UserSettings source = freshSettings();
    source.focus = 99;
    source.colorBlur = 12;
    source.cbWidth = 77;
    std::vector<uint8_t> bytes = writtenBytes("short.z5a", source, nullptr);
    bytes.resize(25 * 4 + 2);  // values 0..24, then half a value
    UserSettings s = freshSettings();
    PresetReadInfo info;
    ASSERT_EQ(readBytes(bytes, PresetReadMode::full, s, nullptr, &info), 0);
    EXPECT_TRUE(info.endedEarly);
    EXPECT_EQ(s.focus, 99);
    EXPECT_EQ(s.colorBlur, 12);
    EXPECT_EQ(s.cbWidth, 40);

    UserSettings untouched = freshSettings();
    ASSERT_EQ(readBytes({}, PresetReadMode::full, untouched, nullptr, &info), 0);
    EXPECT_TRUE(info.endedEarly);
    EXPECT_TRUE(sameSettings(untouched, freshSettings()));

    EXPECT_EQ(readPreset(presetTestPath("absent.z5a").c_str(), PresetReadMode::full, untouched, nullptr, kMemory,
                         &info), kPresetCannotOpen);
    EXPECT_TRUE(sameSettings(untouched, freshSettings()));
}

TEST(PresetReader, HostileValuesWrapInsteadOfOverflowing) {
    std::vector<int32_t> values = oldVersionValues(3);
    values[10] = INT32_MAX;  // auxInt1 / 0.3 is beyond 32 bits
    values[24] = INT32_MIN;  // color blur: 100 - value
    values[41] = INT32_MAX;  // uniform sepia: value + 1
    UserSettings s = freshSettings();
    ASSERT_EQ(readBytes(bigEndianValues(values), PresetReadMode::full, s, nullptr, nullptr), 0);
    EXPECT_EQ(s.auxInt1, INT32_MAX);
    EXPECT_EQ(s.colorBlur, -2147483548);  // 0x80000064
    EXPECT_EQ(s.uniformSepia, INT32_MIN);
}

TEST(PresetPicture, ConvertsToPackedRgb) {
    PresetPicture picture;
    picture.width = 2;
    picture.height = 1;
    const uint8_t rgba[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::memcpy(picture.rgba, rgba, 8);
    uint8_t rgb[6] = {};
    presetPictureToRgb(picture, rgb);
    const uint8_t expected[6] = {1, 2, 3, 5, 6, 7};
    EXPECT_EQ(std::memcmp(rgb, expected, 6), 0);
}

namespace {
TEST(PresetRecord, ScriptedSettingsSitAtTheirStoredPositions) {
    auto at = [](const char* name) { return presetPosition(findScriptedSettingByName(name)->fieldOffset); };
    EXPECT_EQ(at("vignette green"), 2);
    EXPECT_EQ(at("sepia blue"), 9);
    EXPECT_EQ(at("focus"), 14);
    EXPECT_EQ(at("high quality"), 21);
    EXPECT_EQ(at("CB width"), 25);
    EXPECT_EQ(at("uniform sepia"), 41);
    EXPECT_EQ(at("glue"), 42);
    EXPECT_EQ(at("shape"), 48);
    // After the empty texture block (one value) and auxColorE.
    EXPECT_EQ(at("X center"), 69);
    EXPECT_EQ(at("Y center"), 70);
    for (const ScriptedSetting& setting : kScriptedSettings) EXPECT_GT(presetPosition(setting.fieldOffset), 0);
}
}  // namespace
