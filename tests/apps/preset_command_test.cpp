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

// A preset, the same flags, and a Repeat of the cached settings (which are
// a preset file in the temporary folder) give one picture, with either host.
TEST(PresetCommand, PresetFlagsAndRepeatOfTheCachedSettingsAgreeWithEitherHost) {
    const std::string image = writeSampleImage();
    const std::string preset = pathOf("apply.z5a");
    const std::string settings = " --focus 90 --sepia 40 --shape wide --force";
    ASSERT_EQ(runProgram("preset save '" + preset + "'" + settings).status, 0);
    // The cached settings are read whole, not through a descriptor: colours
    // of whole high bytes read the same both ways.
    const std::string cached = (fs::path(testTemporaryFolder()) / "Twilightomator cached settings C").string();
    ASSERT_EQ(runProgram("preset save '" + cached + "'" + settings + " --sepia-color 127,98,68").status, 0);
    std::vector<uint8_t> oursSamples;
    for (ProgramHost host : kBothHosts) {
        SCOPED_TRACE(std::string("host ") + hostName(host));
        const std::string name = hostName(host);
        const auto apply = [&](const std::string& output, const std::string& settings) {
            return runProgram("apply --quiet '" + image + "' -o '" + pathOf(name + output) + "' --force " + settings,
                              true, host)
                .status;
        };
        ASSERT_EQ(apply("-by-preset.png", "--preset '" + preset + "'"), 0);
        // The default sepia colour is carried as its high byte, as a recorded step carries it.
        ASSERT_EQ(apply("-by-flags.png", "--focus 90 --sepia 40 --shape wide --sepia-color 127,98,68"), 0);
        ASSERT_EQ(apply("-repeat.png", ""), 0);
        Document a, b, c;
        ImageFileInfo info;
        std::string error;
        ASSERT_TRUE(readImageFile(pathOf(name + "-by-preset.png"), a, info, error));
        ASSERT_TRUE(readImageFile(pathOf(name + "-by-flags.png"), b, info, error));
        ASSERT_TRUE(readImageFile(pathOf(name + "-repeat.png"), c, info, error));
        EXPECT_EQ(a.samples, b.samples);
        EXPECT_EQ(a.samples, c.samples) << "the Repeat did not use the cached settings";
        if (host == ProgramHost::ours) oursSamples = a.samples;
        else EXPECT_EQ(a.samples, oursSamples) << "the pixels depend on the host";
    }
    fs::remove(cached);
}

}  // namespace
