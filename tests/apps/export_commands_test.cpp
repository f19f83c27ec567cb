// export-psd and gallery end to end: sizes from the command line, the
// refusal to replace a file without --force, and a page beside its pictures.
#include "program_runner.h"

#include "host/image_files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::string folderFor(const std::string& name) {
    const fs::path folder = fs::path(testTemporaryFolder()) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder.string();
}

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
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
    std::vector<uint8_t> b = bytesOf(output);
    EXPECT_EQ(be32(b, 14), 20u);  // 60 x 30 / 90
    EXPECT_EQ(be32(b, 18), 30u);

    run = runProgram("export-psd " + input + " -o " + output + " --size 7x5 --quiet");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("--force"), std::string::npos) << run.output;
    EXPECT_EQ(bytesOf(output), b);

    run = runProgram("export-psd " + input + " -o " + output + " --size 7x5 --force --quiet");
    ASSERT_EQ(run.status, 0) << run.output;
    b = bytesOf(output);
    EXPECT_EQ(be32(b, 14), 5u);
    EXPECT_EQ(be32(b, 18), 7u);

    EXPECT_EQ(runProgram("export-psd " + input + " -o " + output + " --size 7y5").status, 2);
}

TEST(ExportCommands, PresetsPageOfAnEmptyFolder) {
    const std::string presets = folderFor("gallery-empty");
    const std::string site = folderFor("gallery-empty-site");
    const ProgramRun run = runProgram("gallery presets " + presets + " -o " + site + "/page.html --quiet");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::vector<uint8_t> page = bytesOf(site + "/page.html");
    const std::string text(page.begin(), page.end());
    // The head, an empty table, the page end.
    EXPECT_NE(text.find("align=\"center\"></table><br>\r\n</body></html>"), std::string::npos);
    EXPECT_TRUE(fs::exists(site + "/web_images/top.gif"));
}

}  // namespace
