// The EXIF and IPTC blocks byte by byte, their two passes, the keyword
// rules and the eight-digit date.
#include "codec/exif_block.h"
#include "codec/iptc_block.h"
#include "codec/product_identity.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
std::vector<uint8_t> bytesOf(const MetadataBlock& block) {
    return std::vector<uint8_t>(block.buffer, block.buffer + block.byteCount);
}

void append(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

void appendDataset(std::vector<uint8_t>& out, uint8_t number, const std::string& data) {
    out.push_back(0x1C);
    out.push_back(2);
    out.push_back(number);
    out.push_back(static_cast<uint8_t>(data.size() >> 8));
    out.push_back(static_cast<uint8_t>(data.size()));
    append(out, data);
}

const UtcDate kDate{2024, 3, 7, 23, 59, 58};
}  // namespace

TEST(ExifBlock, NamesTheSoftwareInFortyOneBytes) {
    MetadataBlock block;
    EXPECT_EQ(buildExifBlock(block, false, MetadataPass::measure), 41);
    EXPECT_EQ(buildExifBlock(block, true, MetadataPass::measure), 47);
    EXPECT_EQ(buildExifBlock(block, true, MetadataPass::write), 47);
    std::vector<uint8_t> expected = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0x00, 0x2A, 0, 0, 0, 8,
                                     0, 1,                  // one entry
                                     0x01, 0x31, 0, 2,      // Software, ASCII
                                     0, 0, 0, 15,           // 15 bytes
                                     0, 0, 0, 26,           // at 26 from "MM"
                                     0, 0, 0, 0};           // no next directory
    append(expected, "Twilightomator");
    expected.push_back(0);
    EXPECT_EQ(bytesOf(block), expected);
    // Byte 26 after "MM" is where the name starts.
    EXPECT_EQ(std::memcmp(block.buffer + 6 + 26, "Twilightomator", 14), 0);

    EXPECT_EQ(buildExifBlock(block, false, MetadataPass::write), 41);
    EXPECT_EQ(bytesOf(block), std::vector<uint8_t>(expected.begin() + 6, expected.end()));
}

TEST(IptcBlock, HoldsTheFixedDatasetsInOrder) {
    MetadataBlock block;
    // Datasets: 7 (version) + 5 + address + 13 (date) + 29 (caption) + 19
    // (product keyword); even here, so no pad byte.
    const uint32_t datasets = 7 + 5 + static_cast<uint32_t>(std::strlen(kHomePageAddress)) + 13 + 29 + 19;
    const uint32_t padded = datasets + datasets % 2;
    EXPECT_EQ(buildIptcBlock(block, true, MetadataPass::measure, kDate), static_cast<int32_t>(14 + 12 + padded));
    EXPECT_EQ(buildIptcBlock(block, false, MetadataPass::measure, kDate), static_cast<int32_t>(12 + padded));
    ASSERT_EQ(buildIptcBlock(block, true, MetadataPass::write, kDate), static_cast<int32_t>(14 + 12 + padded));

    std::vector<uint8_t> expected;
    append(expected, std::string("Photoshop 3.0", 14));
    append(expected, "8BIM");
    for (uint8_t b : {0x04, 0x04, 0x00, 0x00}) expected.push_back(b);
    for (int shift : {24, 16, 8, 0}) expected.push_back(static_cast<uint8_t>(padded >> shift));
    appendDataset(expected, 0, std::string("\x00\x02", 2));
    appendDataset(expected, 115, kHomePageAddress);
    appendDataset(expected, 55, "20240307");
    appendDataset(expected, 120, "Made with Twilightomator");
    appendDataset(expected, 25, "Twilightomator");
    if (datasets % 2) expected.push_back(0);
    EXPECT_EQ(bytesOf(block), expected);
}

TEST(IptcBlock, KeywordsFollowAndAnOddSumGetsAPadByte) {
    MetadataBlock block;
    ASSERT_TRUE(addMetadataKeyword(block, "vignette"));
    const int32_t fixed = 7 + 5 + static_cast<int32_t>(std::strlen(kHomePageAddress)) + 13 + 29 + 19;
    const int32_t datasets = fixed + 5 + 8;
    const int32_t padded = datasets + datasets % 2;
    ASSERT_EQ(buildIptcBlock(block, false, MetadataPass::write, kDate), 12 + padded);
    const uint8_t* length = block.buffer + 8;
    EXPECT_EQ((length[0] << 24) | (length[1] << 16) | (length[2] << 8) | length[3], padded);
    const uint8_t* keyword = block.buffer + 12 + fixed;
    const uint8_t head[5] = {0x1C, 2, 25, 0, 8};
    EXPECT_EQ(std::memcmp(keyword, head, 5), 0);
    EXPECT_EQ(std::memcmp(keyword + 5, "vignette", 8), 0);
    if (datasets % 2) {
        EXPECT_EQ(block.buffer[12 + datasets], 0);
    }

    // Both parities occur: one more letter flips it.
    MetadataBlock other;
    ASSERT_TRUE(addMetadataKeyword(other, "vignettes"));
    const int32_t otherDatasets = fixed + 5 + 9;
    EXPECT_EQ(buildIptcBlock(other, false, MetadataPass::measure, kDate), 12 + otherDatasets + otherDatasets % 2);
}

TEST(IptcBlock, KeywordRules) {
    MetadataBlock block;
    EXPECT_TRUE(addMetadataKeyword(block, "sepia"));
    EXPECT_TRUE(addMetadataKeyword(block, "vignette"));
    EXPECT_FALSE(addMetadataKeyword(block, "Sepia"));  // same letters, other case
    EXPECT_FALSE(addMetadataKeyword(block, "SEP"));    // an entry starts with it
    EXPECT_TRUE(addMetadataKeyword(block, "sepiatone"));  // compared over its own 9 letters
    EXPECT_FALSE(addMetadataKeyword(block, ""));
    EXPECT_FALSE(addMetadataKeyword(block, std::string(50, 'k').c_str()));
    EXPECT_TRUE(addMetadataKeyword(block, std::string(49, 'k').c_str()));
    EXPECT_EQ(block.keywordCount, 4);
    EXPECT_STREQ(block.keywords[0], "sepia");
    EXPECT_STREQ(block.keywords[1], "vignette");
    EXPECT_STREQ(block.keywords[2], "sepiatone");

    MetadataBlock full;
    for (int i = 0; i < kMaxKeywords; ++i) {
        const std::string keyword = "word" + std::to_string(100 + i);
        ASSERT_TRUE(addMetadataKeyword(full, keyword.c_str())) << i;
    }
    EXPECT_FALSE(addMetadataKeyword(full, "one too many"));
    EXPECT_EQ(full.keywordCount, 19);

    resetMetadataBlock(full);
    EXPECT_EQ(full.keywordCount, 0);
    EXPECT_STREQ(full.keywords[0], "");
    EXPECT_TRUE(addMetadataKeyword(full, "word100"));
}

TEST(IptcBlock, FullListOfLongKeywordsFitsItsBuffer) {
    // 19 keywords of 49 letters: 19 * 54 bytes of datasets alone are more
    // than the first 1000-byte buffer; the writing pass grows it.
    MetadataBlock block;
    for (int i = 0; i < kMaxKeywords; ++i) {
        std::string keyword(49, 'a');
        keyword[0] = static_cast<char>('a' + i);
        ASSERT_TRUE(addMetadataKeyword(block, keyword.c_str()));
    }
    const int32_t fixed = 7 + 5 + static_cast<int32_t>(std::strlen(kHomePageAddress)) + 13 + 29 + 19;
    const int32_t datasets = fixed + 19 * 54;
    const int32_t expected = 14 + 12 + datasets + datasets % 2;
    EXPECT_EQ(buildIptcBlock(block, true, MetadataPass::measure, kDate), expected);
    EXPECT_EQ(buildIptcBlock(block, true, MetadataPass::write, kDate), expected);
    EXPECT_GE(block.capacity, static_cast<size_t>(expected));
    EXPECT_EQ(block.buffer[14 + 12 + fixed + 5], 'a');
}

TEST(IptcBlock, DateIsAlwaysEightDigits) {
    char text[9];
    iptcDateText(UtcDate{2024, 3, 7, 0, 0, 0}, text);
    EXPECT_STREQ(text, "20240307");
    iptcDateText(UtcDate{987, 12, 31, 0, 0, 0}, text);
    EXPECT_STREQ(text, "09871231");
    iptcDateText(UtcDate{12345, 13, 0, 0, 0, 0}, text);
    EXPECT_STREQ(text, "99991201");
    iptcDateText(UtcDate{-4, -1, 99, 0, 0, 0}, text);
    EXPECT_STREQ(text, "00000131");
    iptcDateText(currentUtcDate(), text);
    EXPECT_EQ(std::strlen(text), 8u);
    for (char c : std::string(text)) EXPECT_TRUE(c >= '0' && c <= '9');

    MetadataBlock block;
    ASSERT_GT(buildIptcBlock(block, false, MetadataPass::write), 0);
    const size_t at = 12 + 7 + 5 + std::strlen(kHomePageAddress);
    const uint8_t head[5] = {0x1C, 2, 55, 0, 8};
    EXPECT_EQ(std::memcmp(block.buffer + at, head, 5), 0);
}
