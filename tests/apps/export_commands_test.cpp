// export-psd and gallery end to end: sizes from the command line, the
// refusal to replace a file without --force, and a page beside its pictures.
#include "program_runner.h"

#include "host/image_files.h"
#include "platform/memory_service.h"
#include "settings/preset_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

std::string folderFor(const std::string& name) {
    const fs::path folder = fs::path(testTemporaryFolder()) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string();
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t(b.at(at)) << 24) | (uint32_t(b.at(at + 1)) << 16) | (uint32_t(b.at(at + 2)) << 8) | b.at(at + 3);
}

TEST(ExportCommands, PsdSizesAndReplacing) {
    const std::string folder = folderFor("export-psd");
    Document d;
    std::string error;
    ASSERT_TRUE(makeDocument(d, 90, 60, 3, false, SampleDepth::eight, error));
    const std::string input = folder + "/in.png";
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(input, d, 8, true, report, error)) << error;
    const std::string output = folder + "/out.psd";

    ProgramRun run = runProgram("export-psd " + input + " -o " + output + " --proportional 30 --quiet");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<uint8_t> b = fileBytes(output);
    EXPECT_EQ(be32(b, 14), 20u);  // 60 x 30 / 90
    EXPECT_EQ(be32(b, 18), 30u);

    run = runProgram("export-psd " + input + " -o " + output + " --size 7x5 --quiet");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("--force"), std::string::npos) << run.output;
    EXPECT_EQ(fileBytes(output), b);

    run = runProgram("export-psd " + input + " -o " + output + " --size 7x5 --force --quiet");
    ASSERT_EQ(run.status, 0) << run.output;
    b = fileBytes(output);
    EXPECT_EQ(be32(b, 14), 5u);
    EXPECT_EQ(be32(b, 18), 7u);

    EXPECT_EQ(runProgram("export-psd " + input + " -o " + output + " --size 7y5").status, 2);
}

// The command line takes the size dialog's rules: sides of 2..30000 (others
// refused with the range, never wrapped around), the proportional side
// truncated and held within that range.
TEST(ExportCommands, SizesFollowTheSizeDialogsRules) {
    const std::string folder = folderFor("export-sizes");
    Document d;
    std::string error;
    ASSERT_TRUE(makeDocument(d, 37, 23, 3, false, SampleDepth::eight, error));
    const std::string input = folder + "/in.png";
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(input, d, 8, true, report, error)) << error;
    const std::string output = folder + "/out.psd";
    const std::string command = "export-psd " + input + " -o " + output + " --force --quiet ";

    // 23 x 30 / 37 = 18.6: 18, not 19.
    ProgramRun run = runProgram(command + "--proportional 30");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<uint8_t> b = fileBytes(output);
    EXPECT_EQ(be32(b, 14), 18u);
    EXPECT_EQ(be32(b, 18), 30u);
    // 23 x 2 / 37 = 1, held at 2.
    run = runProgram(command + "--proportional 2");
    ASSERT_EQ(run.status, 0) << run.output;
    b = fileBytes(output);
    EXPECT_EQ(be32(b, 14), 2u);

    for (const char* refused : {"--size 4294967297x2", "--size 2x4294967298", "--size 1x5", "--size 30001x5",
                                "--size -3x5", "--proportional 4294967297", "--proportional 1",
                                "--proportional 30001"}) {
        run = runProgram(command + refused);
        EXPECT_EQ(run.status, 2) << refused;
        EXPECT_NE(run.output.find("2..30000"), std::string::npos) << refused << ": " << run.output;
    }
    EXPECT_EQ(be32(fileBytes(output), 14), 2u);  // nothing was written over it
}

TEST(ExportCommands, PresetsPageOfAnEmptyFolder) {
    const std::string presets = folderFor("gallery-empty");
    const std::string site = folderFor("gallery-empty-site");
    const ProgramRun run = runProgram("gallery presets " + presets + " -o " + site + "/page.html --quiet");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<uint8_t> page = fileBytes(site + "/page.html");
    const std::string text(page.begin(), page.end());
    // The head, an empty table, the page end.
    EXPECT_NE(text.find("align=\"center\"></table><br>\r\n</body></html>"), std::string::npos);
    EXPECT_TRUE(fs::exists(site + "/web_images/top.gif"));
}

// A preset keeps its stored picture's size in the gallery: a 20 x 10
// picture is stored (and shown) at 20 x 16, the JPEG's smallest height.
TEST(ExportCommands, PresetPicturesKeepTheirStoredSize) {
    const std::string presets = folderFor("gallery-sizes");
    const std::string site = folderFor("gallery-sizes-site");
    auto picture = std::make_unique<PresetPicture>();
    picture->width = 20;
    picture->height = 10;
    for (int i = 0; i < 20 * 10; ++i) {
        picture->rgba[4 * i] = 200;
        picture->rgba[4 * i + 3] = 255;
    }
    ASSERT_EQ(writePreset((presets + "/small.z5a").c_str(), defaultUserSettings(), picture.get(),
                          systemMemoryService()),
              0);
    const ProgramRun run = runProgram("gallery presets " + presets + " -o " + site + "/page.html --quiet");
    ASSERT_EQ(run.status, 0) << run.output;
    Document jpeg;
    ImageFileInfo info;
    std::string error;
    ASSERT_TRUE(readImageFile(site + "/web_images/small.jpg", jpeg, info, error)) << error;
    EXPECT_EQ(jpeg.width, 20);
    EXPECT_EQ(jpeg.height, 16);
    EXPECT_GT(jpeg.pixel(10, 5)[0], 150);  // still the red picture
}

bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

std::string outputOf(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
        pclose(pipe);
    }
    return text;
}

float floatAt(const std::vector<uint8_t>& b, size_t at) {
    const uint32_t bits = be32(b, at);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// Floating-point images are exported as they are filtered: export-psd and
// gallery dots take them as apply does, the layer holds apply's floats, and
// real readers see a 32-bit document with the product's IPTC keywords.
TEST(ExportCommands, FloatImagesExportAsApplyFiltersThem) {
    const std::string folder = folderFor("export-float");
    Document d;
    std::string error;
    constexpr int32_t kWidth = 40, kHeight = 24;
    ASSERT_TRUE(makeDocument(d, kWidth, kHeight, 3, false, SampleDepth::floating, error));
    float* samples = reinterpret_cast<float*>(d.samples.data());
    for (int32_t i = 0; i < kWidth * kHeight * 3; ++i) samples[i] = float((i * 37) % 101) / 100.0f;
    const std::string input = folder + "/in.tif";
    ImageWriteReport report;
    ASSERT_TRUE(writeImageFile(input, d, 32, true, report, error)) << error;
    const std::string settings = " --focus 70 --vignette 40 --sepia 30 --quiet";

    ProgramRun run = runProgram("apply " + input + " -o " + folder + "/applied.tif" + settings);
    ASSERT_EQ(run.status, 0) << run.output;
    run = runProgram("export-psd " + input + " -o " + folder + "/out.psd" + settings);
    ASSERT_EQ(run.status, 0) << run.output;
    run = runProgram("gallery dots " + input + " -o " + folder + "/dots.html --quiet");
    EXPECT_EQ(run.status, 0) << run.output;

    Document applied;
    ImageFileInfo info;
    ASSERT_TRUE(readImageFile(folder + "/applied.tif", applied, info, error)) << error;
    ASSERT_EQ(applied.depth, SampleDepth::floating);
    const std::vector<uint8_t> psd = fileBytes(folder + "/out.psd");
    EXPECT_EQ((psd.at(22) << 8) | psd.at(23), 32);  // bits per channel
    // The layer's planes follow "Lr32", the block's length, the layer count
    // and the 114-byte layer record: transparency, red, green, blue, each a
    // compression code and width x height floats.
    const std::string text(psd.begin(), psd.end());
    const size_t layer = text.find("8BIMLr32");
    ASSERT_NE(layer, std::string::npos);
    const size_t planes = layer + 8 + 4 + 2 + 114;
    const size_t planeBytes = 2 + size_t(kWidth) * kHeight * 4;
    const float* expected = reinterpret_cast<const float*>(applied.samples.data());
    for (int c = 0; c < 3; ++c)
        for (int32_t i = 0; i < kWidth * kHeight; ++i)
            ASSERT_EQ(floatAt(psd, planes + (c + 1) * planeBytes + 2 + size_t(i) * 4), expected[i * 3 + c])
                << "channel " << c << " pixel " << i;

    if (haveTool("identify")) {
        EXPECT_EQ(outputOf("identify -format '%z\\n' '" + folder + "/out.psd[0]' 2>/dev/null"), "32\n");
    }
    if (haveTool("exiftool")) {
        const std::string keywords = outputOf("exiftool -s3 -Keywords '" + folder + "/out.psd' 2>&1");
        EXPECT_NE(keywords.find("HDR, high dynamic range"), std::string::npos) << keywords;
        EXPECT_NE(keywords.find("vignette"), std::string::npos) << keywords;
        EXPECT_EQ(outputOf("exiftool -s3 -warning '" + folder + "/out.psd' 2>&1"), "") << "exiftool warns";
    }
}

}  // namespace
