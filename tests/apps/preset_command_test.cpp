// The preset commands end to end: save with and without a picture, info,
// picture, and apply --preset.
#include "program_runner.h"

#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>


#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

std::string pathOf(const std::string& name) {
    const fs::path folder = fs::path(testTemporaryFolder()) / "presets";
    fs::create_directories(folder);
    return (folder / name).string();
}

std::string writeSampleImage() {
    Document d;
    std::string error;
    makeDocument(d, 300, 200, 3, false, SampleDepth::eight, error);
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 300; ++x) {
            uint8_t* p = d.pixel(x, y);
            p[0] = uint8_t(x * 255 / 299);
            p[1] = uint8_t(y * 255 / 199);
            p[2] = 90;
        }
    const std::string path = pathOf("source.png");
    ImageWriteReport report;
    EXPECT_TRUE(writeImageFile(path, d, 8, true, report, error)) << error;
    return path;
}

TEST(PresetCommand, SaveInfoAndPictureRoundTrip) {
    const std::string image = writeSampleImage();
    const std::string preset = pathOf("look.z5a");
    ProgramRun run = runProgram("preset save '" + preset + "' --focus 70 --glue overlay --sepia-color 200,100,50 --from '" +
                             image + "' --force");
    ASSERT_EQ(run.status, 0) << run.output;

    run = runProgram("preset info '" + preset + "' --json", false);
    ASSERT_EQ(run.status, 0);
    const nlohmann::json info = nlohmann::json::parse(run.output);
    EXPECT_EQ(info["version"], 40);
    EXPECT_EQ(info["picture"], true);
    EXPECT_EQ(info["settings"]["focus"], 70);
    EXPECT_EQ(info["settings"]["glue"], 12);
    // Colours given on the 0..255 scale are stored as value x 256.
    EXPECT_EQ(info["settings"]["sepia red"], 200 * 256);
    EXPECT_EQ(info["settings"]["sepia blue"], 50 * 256);
    // Unset settings keep their defaults.
    EXPECT_EQ(info["settings"]["clear area"], 42);
    EXPECT_EQ(info["settings"]["auxInt18"], 21);

    const std::string picture = pathOf("look.png");
    run = runProgram("preset picture '" + preset + "' -o '" + picture + "' --force");
    ASSERT_EQ(run.status, 0) << run.output;
    Document pixels;
    ImageFileInfo pictureInfo;
    std::string error;
    ASSERT_TRUE(readImageFile(picture, pixels, pictureInfo, error)) << error;
    EXPECT_EQ(pixels.width, 128);
    EXPECT_EQ(pixels.height, 128);
    // The square is the centre 200 x 200 of the image: red rises across it.
    EXPECT_LT(pixels.pixel(4, 64)[0], pixels.pixel(123, 64)[0]);
}

TEST(PresetCommand, WithoutPictureAndRefusals) {
    const std::string preset = pathOf("plain.z5a");
    ProgramRun run = runProgram("preset save '" + preset + "' --force");
    ASSERT_EQ(run.status, 0) << run.output;
    run = runProgram("preset info '" + preset + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("picture:  none"), std::string::npos) << run.output;
    run = runProgram("preset picture '" + preset + "' -o '" + pathOf("none.png") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no picture"), std::string::npos);
    run = runProgram("preset save '" + preset + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("--force"), std::string::npos);
    run = runProgram("preset info '" + pathOf("missing.z5a") + "'");
    EXPECT_EQ(run.status, 1);
    run = runProgram("preset frobnicate");
    EXPECT_EQ(run.status, 2);
}

TEST(PresetCommand, ApplyWithAPresetMatchesTheSameFlags) {
    const std::string image = writeSampleImage();
    const std::string preset = pathOf("apply.z5a");
    ASSERT_EQ(runProgram("preset save '" + preset + "' --focus 90 --sepia 40 --shape wide --force").status, 0);
    ASSERT_EQ(runProgram("apply --quiet '" + image + "' -o '" + pathOf("by-preset.png") + "' --force --preset '" +
                         preset + "'")
                  .status,
              0);
    // The default sepia colour is carried as its high byte, as a recorded step carries it.
    ASSERT_EQ(runProgram("apply --quiet '" + image + "' -o '" + pathOf("by-flags.png") +
                         "' --force --focus 90 --sepia 40 --shape wide --sepia-color 127,98,68")
                  .status,
              0);
    Document a, b;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(pathOf("by-preset.png"), a, info, error));
    ASSERT_TRUE(readImageFile(pathOf("by-flags.png"), b, info, error));
    EXPECT_EQ(a.samples, b.samples);
}

}  // namespace
