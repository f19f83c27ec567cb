// A real metadata reader sees the product's marks in our JPEG: the comment,
// the EXIF software, and the IPTC caption, keywords, date and source.
#include "codec/exif_block.h"
#include "codec/iptc_block.h"
#include "codec/jpeg_writer.h"
#include "codec/product_identity.h"
#include "jpeg_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {
bool exiftoolAvailable() {
    return std::system("exiftool -ver > /dev/null 2>&1") == 0;
}

// "Tag: value" lines of `exiftool -S`.
std::map<std::string, std::string> readTags(const std::string& path) {
    std::map<std::string, std::string> tags;
    const std::string command = "exiftool -S -Comment -Software -Caption-Abstract -Keywords -DateCreated "
                                "-Source -ApplicationRecordVersion '" + path + "' 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return tags;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const size_t colon = text.find(": ");
        if (colon != std::string::npos) tags[text.substr(0, colon)] = text.substr(colon + 2);
    }
    ::pclose(pipe);
    return tags;
}
}  // namespace

TEST(JpegMetadata, ExiftoolReadsTheProductsMarks) {
    if (!exiftoolAvailable()) GTEST_SKIP() << "exiftool is not installed";
    MetadataBlock exif, iptc;
    ASSERT_TRUE(addMetadataKeyword(iptc, "vignette"));
    ASSERT_TRUE(addMetadataKeyword(iptc, "sepia"));
    ASSERT_GT(buildExifBlock(exif, true, MetadataPass::write), 0);
    ASSERT_GT(buildIptcBlock(iptc, true, MetadataPass::write, UtcDate{2023, 11, 5, 12, 0, 0}), 0);

    const TestPicture picture = makePicture(40, 30, [](int32_t x, int32_t y, uint8_t* p) {
        p[0] = static_cast<uint8_t>(x * 6);
        p[1] = static_cast<uint8_t>(y * 8);
        p[2] = 90;
        p[3] = 255;
    });
    const Rgba8Picture view = picture.view();
    const JpegRowSource source = rgba8RowSource(view);
    JpegEncodeOptions options;
    options.quality = 80;
    options.exif = &exif;
    options.iptc = &iptc;
    const std::string path = testTemporaryFolder() + "/marked.jpg";
    {
        PlatformFile file;
        ASSERT_TRUE(file.open(path.c_str(), FileAccess::replace));
        const MemoryService memory = systemMemoryService();
        ASSERT_EQ(encodeJpeg(&source, file, options, &memory), kJpegEncoded);
        ASSERT_EQ(file.close(), 0);
    }
    std::map<std::string, std::string> tags = readTags(path);
    EXPECT_EQ(tags["Comment"], kHomePageAddress);
    EXPECT_EQ(tags["Software"], "Twilightomator");
    EXPECT_EQ(tags["Caption-Abstract"], "Made with Twilightomator");
    EXPECT_EQ(tags["Keywords"], "Twilightomator, vignette, sepia");
    EXPECT_EQ(tags["DateCreated"], "2023:11:05");
    EXPECT_EQ(tags["Source"], kHomePageAddress);
    EXPECT_EQ(tags["ApplicationRecordVersion"], "2");
}
