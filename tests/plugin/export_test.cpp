// Exports through the module's export entry, as the command line drives
// them: the layered document's layer equals the filter's own result, sizes
// and depths follow the request, a failed save leaves nothing behind, and
// the gallery pages hold the cells their presets and dots ask for.
#include "harness.h"

#include "host/export_driver.h"
#include "model/parameters.h"
#include "settings/preset_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t(b.at(at)) << 24) | (uint32_t(b.at(at + 1)) << 16) | (uint32_t(b.at(at + 2)) << 8) | b.at(at + 3);
}
uint32_t be16(const std::vector<uint8_t>& b, size_t at) { return (uint32_t(b.at(at)) << 8) | b.at(at + 1); }

// Offset of the layer section's length field.
size_t layerSection(const std::vector<uint8_t>& b) {
    size_t at = 26;
    at += 4 + be32(b, at);
    at += 4 + be32(b, at);
    return at;
}

ExportRunResult exportFrom(TestHost& host, int32_t job, const std::string& path, int32_t width = 0,
                           int32_t height = 0, const char* folder = nullptr) {
    TwilightomatorExportRequest request{};
    request.job = job;
    request.path = path.c_str();
    request.width = width;
    request.height = height;
    request.sourceFolder = folder;
    return runExport(pluginUnderTest(), *host.session, host.state, request);
}

std::string freshFolder(const std::string& name) {
    const std::string folder = testTemporaryFolder() + "/" + name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

TEST(ExportEntry, ThirtyTwoBitLayerHoldsTheFiltersOwnResult) {
    const Document source = rampDocument(24, 16, 3, true, SampleDepth::floating);
    TestHost reference(source);
    ASSERT_EQ(reference.run().result, 0);

    TestHost host(source);
    const std::string path = freshFolder("psd32") + "/result.psd";
    const ExportRunResult run = exportFrom(host, kExportLayeredDocument, path);
    ASSERT_EQ(run.result, 0) << run.stage << " " << run.message;
    const std::vector<uint8_t> b = fileBytes(path);
    EXPECT_EQ(be16(b, 22), 32u);
    EXPECT_EQ(be32(b, 18), 24u);
    // Layer data: section length, two empty lengths, Mt32, Lr32 header and
    // length, count, record.
    const size_t data = layerSection(b) + 4 + 8 + 12 + 12 + 2 + 114;
    const size_t plane = 24 * 16 * 4 + 2;
    int mismatches = 0;
    for (int channel = 0; channel < 4; ++channel) {
        const int sample = channel == 0 ? 3 : channel - 1;  // transparency first
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x) {
                const uint32_t bits = be32(b, data + channel * plane + 2 + size_t(y * 24 + x) * 4);
                float value, expected;
                std::memcpy(&value, &bits, 4);
                std::memcpy(&expected, reference.document.pixel(x, y) + 4 * sample, 4);
                mismatches += value != expected;
            }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ExportEntry, EightBitLayerHoldsTheResultAndItsTransparency) {
    Document source = rampDocument(20, 12, 3, true, SampleDepth::eight);
    for (int x = 0; x < 20; ++x) source.pixel(x, 5)[3] = uint8_t(x * 12);
    TestHost reference(source);
    ASSERT_EQ(reference.run().result, 0);
    TestHost host(source);
    const std::string path = freshFolder("psd8") + "/result.psd";
    ASSERT_EQ(exportFrom(host, kExportLayeredDocument, path).result, 0);
    const std::vector<uint8_t> b = fileBytes(path);
    const size_t data = layerSection(b) + 4 + 4 + 2 + 114;
    const size_t plane = 20 * 12 + 2;
    int mismatches = 0;
    for (int channel = 0; channel < 4; ++channel) {
        const int sample = channel == 0 ? 3 : channel - 1;
        for (int i = 0; i < 20 * 12; ++i)
            mismatches += b.at(data + channel * plane + 2 + size_t(i)) != reference.document.pixel(i % 20, i / 20)[sample];
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ExportEntry, AChosenSizeKeepsTheHostsDepth) {
    TestHost host(rampDocument(40, 30, 3, false, SampleDepth::sixteen));
    const std::string path = freshFolder("psd16") + "/small.psd";
    ASSERT_EQ(exportFrom(host, kExportLayeredDocument, path, 20, 15).result, 0);
    const std::vector<uint8_t> b = fileBytes(path);
    EXPECT_EQ(be16(b, 12), 4u);   // channels
    EXPECT_EQ(be32(b, 14), 15u);  // height
    EXPECT_EQ(be32(b, 18), 20u);  // width
    EXPECT_EQ(be16(b, 22), 16u);
    // Merged data: 5 planes of 20 x 15 16-bit samples close the file.
    EXPECT_EQ(b.size(), layerSection(b) + 4 + be32(b, layerSection(b)) + 2 + 5 * 20 * 15 * 2);
}

TEST(ExportEntry, AFailedSaveIsReportedAndLeavesTheOlderFileAlone) {
    const std::string folder = freshFolder("psd-fail");
    TestHost host(rampDocument(8, 8, 3, false, SampleDepth::eight));
    const std::string missing = folder + "/gone/result.psd";
    const ExportRunResult run = exportFrom(host, kExportLayeredDocument, missing);
    EXPECT_EQ(run.result, -20);
    EXPECT_NE(run.message.find("gone/result.psd"), std::string::npos) << run.message;
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    // A document too large for the PSD format is refused before the file
    // is touched; an existing file of that name stays as it was.
    const std::string existing = folder + "/kept.psd";
    std::ofstream(existing) << "older";
    TestHost big(rampDocument(8, 8, 3, false, SampleDepth::eight));
    EXPECT_NE(exportFrom(big, kExportLayeredDocument, existing, 30000, 30000).result, 0);
    EXPECT_EQ(fileText(existing), "older");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

void writePresetWithPicture(const std::string& path, uint8_t shade) {
    auto picture = std::make_unique<PresetPicture>();
    picture->width = picture->height = 32;
    std::memset(picture->rgba, shade, sizeof picture->rgba);
    ASSERT_EQ(writePreset(path.c_str(), defaultUserSettings(), picture.get(), systemMemoryService()), 0);
}

TEST(GalleryPages, SevenPresetsAndWritingAgainReplacesThePage) {
    const std::string presets = freshFolder("gallery-presets");
    for (int i = 0; i < 7; ++i) writePresetWithPicture(presets + "/look " + std::to_string(i) + ".Z5A", uint8_t(30 * i));
    std::ofstream(presets + "/notes.txt") << "not a preset";
    std::filesystem::create_directories(presets + "/folder.z5a");
    const std::string site = freshFolder("gallery-site");
    const std::string page = site + "/page.html";
    {
        TestHost host(flatDocument(16, 16, 3, false, SampleDepth::eight, 255));
        const ExportRunResult run = exportFrom(host, kExportPresetsPage, page, 0, 0, (presets + "/").c_str());
        ASSERT_EQ(run.result, 0) << run.message;
    }
    std::string text = fileText(page);
    EXPECT_EQ(count(text, "id=\"Table_01\""), 7u);
    EXPECT_EQ(count(text, "Hoefler Text"), 3u);
    EXPECT_EQ(count(text, "<tr><td align=\"center\" valign=\"top\" width=\"20%\">\r\n"), 2u);  // two opened rows
    for (const char* frame : {"top.gif", "left.gif", "right.gif", "bottom.gif"})
        EXPECT_TRUE(std::filesystem::exists(site + "/web_images/" + frame)) << frame;
    const std::vector<uint8_t> jpeg = fileBytes(site + "/web_images/look 3.jpg");
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_NE(std::string(jpeg.begin(), jpeg.end()).find("Photoshop 3.0"), std::string::npos);

    std::filesystem::remove(presets + "/look 6.Z5A");
    writePresetWithPicture(presets + "/look 3.Z5A", 200);
    {
        TestHost host(flatDocument(16, 16, 3, false, SampleDepth::eight, 255));
        ASSERT_EQ(exportFrom(host, kExportPresetsPage, page, 0, 0, (presets + "/").c_str()).result, 0);
    }
    text = fileText(page);
    EXPECT_EQ(count(text, "id=\"Table_01\""), 6u);
    EXPECT_EQ(count(text, "Hoefler Text"), 4u);
    EXPECT_NE(fileBytes(site + "/web_images/look 3.jpg"), jpeg);
}

void writeMemdotMap(const std::vector<int>& kept) {
    std::vector<uint8_t> bytes;
    auto put = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) bytes.push_back(uint8_t(v >> s));
    };
    put(40);
    for (int i = 0; i < 25; ++i) put(std::find(kept.begin(), kept.end(), i) != kept.end() ? 1 : 0);
    std::ofstream(testTemporaryFolder() + "/Twilightomator memdot map 2", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(GalleryPages, MemoryDotsPageShowsOnlyKeptDots) {
    const std::string site = freshFolder("gallery-dots");
    const std::string page = site + "/dots.html";
    writeMemdotMap({});
    {
        TestHost host(rampDocument(60, 30, 3, false, SampleDepth::eight));
        ASSERT_EQ(exportFrom(host, kExportMemoryDotsPage, page).result, 0);
    }
    EXPECT_EQ(count(fileText(page), "Table_01"), 0u);

    UserSettings settings = defaultUserSettings();
    settings.sepia = 80;
    ASSERT_EQ(writePreset((testTemporaryFolder() + "/Twilightomator memory dot 2.z5a").c_str(), settings, nullptr,
                          systemMemoryService()),
              0);
    writeMemdotMap({2});
    {
        TestHost host(rampDocument(600, 300, 3, false, SampleDepth::eight));
        ASSERT_EQ(exportFrom(host, kExportMemoryDotsPage, page).result, 0);
        EXPECT_NE(host.parameters()->settings.sepia, 80);  // the current settings came back
    }
    const std::string text = fileText(page);
    EXPECT_EQ(count(text, "Table_01"), 1u);
    EXPECT_NE(text.find("src=\"web_images/dot%203.jpg\" alt=\"dot 3.jpg\" width=\"300\" height=\"150\""),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(site + "/web_images/dot 3.jpg"));
    const std::vector<uint8_t> alone = fileBytes(site + "/web_images/dot 3.jpg");

    // With more dots each picture is written while the next one renders:
    // dot 3's file must be the same as when it was the only one, and each
    // dot's picture its own.
    for (const int dot : {0, 4}) {
        UserSettings other = defaultUserSettings();
        other.vignette = 10 + 20 * dot;
        ASSERT_EQ(writePreset((testTemporaryFolder() + "/Twilightomator memory dot " + std::to_string(dot) + ".z5a")
                                  .c_str(),
                              other, nullptr, systemMemoryService()),
                  0);
    }
    writeMemdotMap({0, 2, 4});
    {
        TestHost host(rampDocument(600, 300, 3, false, SampleDepth::eight));
        ASSERT_EQ(exportFrom(host, kExportMemoryDotsPage, page).result, 0);
    }
    EXPECT_EQ(count(fileText(page), "Table_01"), 3u);
    EXPECT_TRUE(fileBytes(site + "/web_images/dot 3.jpg") == alone);
    const std::vector<uint8_t> first = fileBytes(site + "/web_images/dot 1.jpg");
    const std::vector<uint8_t> last = fileBytes(site + "/web_images/dot 5.jpg");
    EXPECT_GT(first.size(), 100u);
    EXPECT_GT(last.size(), 100u);
    EXPECT_FALSE(first == alone);
    EXPECT_FALSE(last == alone);
    EXPECT_FALSE(first == last);

    // A kept dot whose settings are gone keeps its cell, and the page says so
    // instead of reporting a page without it as done.
    std::filesystem::remove(testTemporaryFolder() + "/Twilightomator memory dot 4.z5a");
    {
        TestHost host(rampDocument(600, 300, 3, false, SampleDepth::eight));
        const ExportRunResult run = exportFrom(host, kExportMemoryDotsPage, page);
        EXPECT_EQ(run.result, kResultWriteFailed);
        EXPECT_NE(run.message.find("1 picture could not be: cannot read the settings of dot 5"), std::string::npos)
            << run.message;
    }
    EXPECT_EQ(count(fileText(page), "Table_01"), 3u);
    writeMemdotMap({});
}

}  // namespace
