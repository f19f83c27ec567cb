// The command-line program end to end: generated images of every supported
// layout through `apply`, the error paths, action recording and replay.
#include "program_runner.h"

#include "host/action_file.h"
#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>


#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::string folder() {
    static const std::string path = [] {
        const fs::path p = fs::path(testTemporaryFolder()) / "apply";
        fs::create_directories(p);
        return p.string();
    }();
    return path;
}

std::string pathOf(const std::string& name) { return (fs::path(folder()) / name).string(); }

Document sampleDocument(int32_t channels, bool alpha, SampleDepth depth, int32_t width = 40, int32_t height = 30) {
    Document d;
    std::string error;
    makeDocument(d, width, height, channels, alpha, depth, error);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            for (int p = 0; p < d.planes(); ++p) {
                const bool isAlpha = alpha && p == d.planes() - 1;
                const double v = isAlpha ? 1.0 : double((x * 5 + y * 3 + p * 40) % 100) / 99.0;
                uint8_t* s = d.pixel(x, y);
                if (depth == SampleDepth::eight) {
                    s[p] = uint8_t(v * 255);
                } else if (depth == SampleDepth::sixteen) {
                    const uint16_t h = uint16_t(v * 32768);
                    std::memcpy(s + 2 * p, &h, 2);
                } else {
                    const float f = float(v);
                    std::memcpy(s + 4 * p, &f, 4);
                }
            }
    return d;
}

void writeInput(const std::string& path, const Document& d, int depth = 0) {
    ImageWriteReport report;
    std::string error;
    ASSERT_TRUE(writeImageFile(path, d, depth, true, report, error)) << error;
}

Document readBack(const std::string& path, ImageFileInfo& info) {
    Document d;
    std::string error;
    EXPECT_TRUE(readImageFile(path, d, info, error)) << error;
    return d;
}

struct Layout {
    const char* name;
    const char* extension;
    int32_t channels;
    bool alpha;
    SampleDepth depth;
};

// Each layout through both ways of hosting: the same pixels from either.
TEST(Apply, EveryLayoutComesBackInItsFormatSizeDepthAndAlphaFromEitherHost) {
    const Layout layouts[] = {
        {"png8-grey", "png", 1, false, SampleDepth::eight},    {"png8-greyalpha", "png", 1, true, SampleDepth::eight},
        {"png8-rgb", "png", 3, false, SampleDepth::eight},     {"png8-rgba", "png", 3, true, SampleDepth::eight},
        {"png16-rgb", "png", 3, false, SampleDepth::sixteen},  {"png16-rgba", "png", 3, true, SampleDepth::sixteen},
        {"png16-grey", "png", 1, false, SampleDepth::sixteen}, {"tif8-rgb", "tif", 3, false, SampleDepth::eight},
        {"tif16-rgba", "tif", 3, true, SampleDepth::sixteen},  {"tif32-rgb", "tif", 3, false, SampleDepth::floating},
        {"tif32-grey", "tif", 1, false, SampleDepth::floating}, {"jpg-rgb", "jpg", 3, false, SampleDepth::eight},
        {"jpg-grey", "jpg", 1, false, SampleDepth::eight},
    };
    for (const Layout& layout : layouts) {
        const std::string input = pathOf(std::string(layout.name) + "." + layout.extension);
        writeInput(input, sampleDocument(layout.channels, layout.alpha, layout.depth));
        ImageFileInfo inputInfo;
        const Document source = readBack(input, inputInfo);
        std::vector<uint8_t> oursSamples;
        for (ProgramHost host : kBothHosts) {
            SCOPED_TRACE(std::string(layout.name) + ", host " + hostName(host));
            const std::string output =
                pathOf(std::string(layout.name) + "-" + hostName(host) + "-out." + layout.extension);
            const ProgramRun run =
                runProgram("apply --quiet '" + input + "' -o '" + output + "' --force --focus 80", true, host);
            ASSERT_EQ(run.status, 0) << run.output;
            ImageFileInfo info;
            const Document result = readBack(output, info);
            EXPECT_EQ(result.width, 40);
            EXPECT_EQ(result.height, 30);
            EXPECT_EQ(result.colorChannels, layout.channels);
            EXPECT_EQ(result.hasAlpha, layout.alpha);
            EXPECT_EQ(result.depth, layout.depth);
            EXPECT_NE(result.samples, source.samples) << "the filter changed nothing";
            if (host == ProgramHost::ours) oursSamples = result.samples;
            else EXPECT_EQ(result.samples, oursSamples) << "the pixels depend on the host";
        }
    }
}

TEST(Apply, DepthCanBeChosenAndTheProfileIsKept) {
    Document d = sampleDocument(3, false, SampleDepth::eight);
    d.iccProfile.assign(3000, 0);
    for (size_t i = 0; i < d.iccProfile.size(); ++i) d.iccProfile[i] = uint8_t(i * 7);
    // A plausible header: size and the 'acsp' signature.
    d.iccProfile[0] = 0;
    d.iccProfile[1] = 0;
    d.iccProfile[2] = 0x0B;
    d.iccProfile[3] = 0xB8;
    std::memcpy(&d.iccProfile[36], "acsp", 4);
    // TIFF keeps any profile bytes; PNG writers check the profile's content.
    const std::string input = pathOf("profiled.tif");
    writeInput(input, d);
    const std::string output = pathOf("profiled-16.tif");
    const ProgramRun run = runProgram("apply --quiet '" + input + "' -o '" + output + "' --force --depth 16");
    ASSERT_EQ(run.status, 0) << run.output;
    ImageFileInfo info;
    const Document result = readBack(output, info);
    EXPECT_EQ(result.depth, SampleDepth::sixteen);
    EXPECT_EQ(result.iccProfile, d.iccProfile);
}

TEST(Apply, BadInputsAndOutputsFailClearly) {
    const std::string good = pathOf("good.png");
    writeInput(good, sampleDocument(3, false, SampleDepth::eight));

    const std::string corrupt = pathOf("corrupt.png");
    {
        std::ofstream(corrupt) << "\x89PNG\r\n\x1a\n this is not a png";
    }
    ProgramRun run = runProgram("apply --quiet '" + corrupt + "' -o '" + pathOf("x.png") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("corrupt.png"), std::string::npos) << run.output;

    const std::string truncated = pathOf("truncated.png");
    {
        std::ifstream in(good, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    run = runProgram("apply --quiet '" + truncated + "' -o '" + pathOf("y.png") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(pathOf("y.png")));

    run = runProgram("apply --quiet '" + pathOf("missing.png") + "' -o '" + pathOf("z.png") + "'");
    EXPECT_EQ(run.status, 1);

    run = runProgram("apply --quiet '" + good + "' -o '" + folder() + "/no/such/folder/out.png'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("no/such/folder"), std::string::npos) << run.output;

    run = runProgram("apply --quiet '" + good + "' -o '" + pathOf("out.bmp") + "'");
    EXPECT_EQ(run.status, 2);

    const std::string existing = pathOf("existing.png");
    writeInput(existing, sampleDocument(1, false, SampleDepth::eight));
    const auto before = fs::last_write_time(existing);
    run = runProgram("apply --quiet '" + good + "' -o '" + existing + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("--force"), std::string::npos);
    EXPECT_EQ(fs::last_write_time(existing), before);

    run = runProgram("apply --quiet '" + good + "' -o '" + pathOf("w.png") + "' --focus 101");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("--focus: 101 is outside 0..100"), std::string::npos) << run.output;

    run = runProgram("apply --quiet '" + good + "' -o '" + pathOf("w.png") + "' --frobnicate");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("--frobnicate"), std::string::npos);

    run = runProgram("apply --quiet '" + good + "'");
    EXPECT_EQ(run.status, 2);
}

// Recording, then replaying across processes and twice in one process, with
// either host: real hosts mark the keys they return in the plug-in's key
// array, so every reader needs a writable table of its own.
TEST(Apply, RecordedStepReplaysTheSameSettingsWithEitherHost) {
    const std::string input = pathOf("record.png");
    writeInput(input, sampleDocument(3, false, SampleDepth::eight));
    std::vector<uint8_t> oursReplayed;
    for (ProgramHost host : kBothHosts) {
        SCOPED_TRACE(std::string("host ") + hostName(host));
        const std::string name = hostName(host);
        const auto apply = [&](const std::string& arguments) {
            return runProgram("apply --quiet " + arguments + " --force", true, host);
        };
        const std::string action = pathOf(name + "-step.json");
        ProgramRun run = apply("'" + input + "' -o '" + pathOf(name + "-recorded.png") +
                               "' --focus 80 --glue overlay --shape tall --x-center 0.25 --vignette-color 10,20,30"
                               " --uniform-sepia --sepia 30 --saturation -40 --record '" + action + "'");
        ASSERT_EQ(run.status, 0) << run.output;
        ActionStep recorded;
        std::string error;
        ASSERT_TRUE(readActionFile(action, recorded, error)) << error;
        EXPECT_EQ(recorded.descriptor.items.size(), 21u);
        const DescriptorItem* focus = recorded.descriptor.find(fourCC("0007"));
        ASSERT_NE(focus, nullptr);
        EXPECT_EQ(focus->integer, 80);
        const DescriptorItem* glue = recorded.descriptor.find(fourCC("GLUE"));
        ASSERT_NE(glue, nullptr);
        EXPECT_EQ(glue->enumValue, fourCC("GL12"));
        EXPECT_EQ(recorded.descriptor.find(fourCC("0002"))->integer, 20);
        EXPECT_EQ(recorded.descriptor.find(fourCC("0013"))->integer, -40);
        EXPECT_EQ(recorded.descriptor.find(fourCC("MLky"))->enumValue, fourCC("ML03"));

        // Replaying the step gives the same picture and records the same 21 values.
        const std::string action2 = pathOf(name + "-step2.json");
        run = apply("'" + input + "' -o '" + pathOf(name + "-replayed.png") + "' --action '" + action +
                    "' --record '" + action2 + "'");
        ASSERT_EQ(run.status, 0) << run.output;
        ActionStep replayed;
        ASSERT_TRUE(readActionFile(action2, replayed, error)) << error;
        ASSERT_EQ(replayed.descriptor.items.size(), recorded.descriptor.items.size());
        for (size_t i = 0; i < recorded.descriptor.items.size(); ++i) {
            const DescriptorItem& a = recorded.descriptor.items[i];
            const DescriptorItem& b = replayed.descriptor.items[i];
            EXPECT_EQ(a.key, b.key);
            EXPECT_EQ(a.type, b.type);
            EXPECT_EQ(a.integer, b.integer);
            EXPECT_EQ(a.boolean, b.boolean);
            EXPECT_EQ(a.number, b.number);
            EXPECT_EQ(a.enumValue, b.enumValue);
        }
        // Colours travel as their high byte, so the first replay may differ from
        // the flags' run (the default sepia colour 32639 comes back as 127 x 256);
        // from then on the step reproduces itself exactly, in a new process and
        // for each of two pictures in one.
        const std::string twice = pathOf(name + "-twice");
        fs::create_directories(twice);
        fs::copy_file(input, pathOf(name + "-second.png"), fs::copy_options::overwrite_existing);
        run = apply("'" + input + "' '" + pathOf(name + "-second.png") + "' --out-dir '" + twice + "' --action '" +
                    action2 + "'");
        ASSERT_EQ(run.status, 0) << run.output;
        ImageFileInfo info;
        const std::vector<uint8_t> expected = readBack(pathOf(name + "-replayed.png"), info).samples;
        EXPECT_EQ(readBack(twice + "/record.png", info).samples, expected);
        EXPECT_EQ(readBack(twice + "/" + name + "-second.png", info).samples, expected);
        if (host == ProgramHost::ours) oursReplayed = expected;
        else EXPECT_EQ(expected, oursReplayed) << "the pixels depend on the host";
    }
}

TEST(Apply, HostileActionFileIsRefused) {
    const std::string input = pathOf("hostile.png");
    writeInput(input, sampleDocument(3, false, SampleDepth::eight));
    const std::string action = pathOf("hostile.json");
    std::ofstream(action) << "{\"format\": \"Twilightomator action\", \"version\": 1, \"settings\": [1, 2";
    const ProgramRun run = runProgram("apply --quiet '" + input + "' -o '" + pathOf("h.png") + "' --force --action '" +
                           action + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(pathOf("h.png")));
}

TEST(Apply, TheMaskKeepsUnselectedPixelsWithEitherHost) {
    const std::string input = pathOf("masked.png");
    const Document source = sampleDocument(3, false, SampleDepth::eight);
    writeInput(input, source);
    Document mask;
    std::string error;
    makeDocument(mask, 40, 30, 1, false, SampleDepth::eight, error);
    for (int32_t x = 0; x < 40; ++x) {
        mask.pixel(x, 0)[0] = 255;  // the top row, and half of the second
        mask.pixel(x, 1)[0] = 128;
    }
    const std::string maskPath = pathOf("mask.png");
    writeInput(maskPath, mask);
    std::vector<uint8_t> oursSamples;
    for (ProgramHost host : kBothHosts) {
        SCOPED_TRACE(std::string("host ") + hostName(host));
        const std::string output = pathOf(std::string("masked-") + hostName(host) + ".png");
        const ProgramRun run =
            runProgram("apply --quiet '" + input + "' -o '" + output + "' --force --mask '" + maskPath + "'", true, host);
        ASSERT_EQ(run.status, 0) << run.output;
        ImageFileInfo info;
        const Document result = readBack(output, info);
        EXPECT_EQ(std::memcmp(result.pixel(0, 29), source.pixel(0, 29), 40 * 3), 0);
        EXPECT_NE(std::memcmp(result.pixel(0, 0), source.pixel(0, 0), 40 * 3), 0);
        if (host == ProgramHost::ours) oursSamples = result.samples;
        else EXPECT_EQ(result.samples, oursSamples) << "the pixels depend on the host";
    }
}

TEST(Apply, EveryGlueModeGivesASaneResult) {
    const std::string input = pathOf("modes.png");
    const Document source = sampleDocument(3, false, SampleDepth::eight, 24, 16);
    writeInput(input, source);
    const std::string normalPath = pathOf("mode-1.png");
    ASSERT_EQ(runProgram("apply --quiet '" + input + "' -o '" + normalPath + "' --force --glue 1").status, 0);
    ImageFileInfo info;
    const Document normal = readBack(normalPath, info);
    int differing = 0;
    for (int mode = 2; mode <= 62; ++mode) {
        const std::string output = pathOf("mode-" + std::to_string(mode) + ".png");
        const ProgramRun run = runProgram("apply --quiet '" + input + "' -o '" + output + "' --force --glue " + std::to_string(mode));
        ASSERT_EQ(run.status, 0) << mode << run.output;
        const Document result = readBack(output, info);
        ASSERT_EQ(result.samples.size(), normal.samples.size());
        if (result.samples != normal.samples) ++differing;
    }
    // Every mode but normal combines with the source; all of them must differ here.
    EXPECT_EQ(differing, 61);
}

TEST(CommandLine, HelpVersionModesAndInfo) {
    ProgramRun run = runProgram("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("apply"), std::string::npos);
    run = runProgram("--version");
    EXPECT_EQ(run.status, 0);
    run = runProgram("modes");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("26   hard diff      GL26"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("62   screendim      GL62"), std::string::npos);
    run = runProgram("info");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("Twilightomator..."), std::string::npos);
    EXPECT_NE(run.output.find("CB width"), std::string::npos);
    EXPECT_NE(run.output.find("'GLty', 60 entries"), std::string::npos) << run.output;
    run = runProgram("info --plugin /nonexistent.so");
    EXPECT_EQ(run.status, 1);
    run = runProgram("nonsense");
    EXPECT_EQ(run.status, 2);
}

}  // namespace
