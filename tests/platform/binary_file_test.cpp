// Big-endian numbers on files and memory views, the open modes, the path
// limit and the -19/-20 codes.
#include "platform/binary_file.h"
#include "platform/path_limits.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
std::string pathIn(const std::string& name) {
    return testTemporaryFolder() + "/" + name;
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeRawFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
}  // namespace

TEST(BinaryFile, WritesMostSignificantByteFirstAndReadsBack) {
    const std::string path = pathIn("numbers.bin");
    PlatformFile file;
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::replace));
    EXPECT_EQ(writeBigEndian32(file, 0x01020304), 0);
    EXPECT_EQ(writeBigEndian32(file, -2), 0);
    EXPECT_EQ(writeBigEndian32(file, 65535), 0);
    EXPECT_EQ(file.close(), 0);

    const std::vector<unsigned char> expected = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFE,
                                                 0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(fileBytes(path), expected);

    ASSERT_TRUE(file.open(path.c_str(), FileAccess::read));
    int32_t value = 0;
    EXPECT_EQ(readBigEndian32(file, &value), 0);
    EXPECT_EQ(value, 0x01020304);
    EXPECT_EQ(readBigEndian32(file, &value), 0);
    EXPECT_EQ(value, -2);
    EXPECT_EQ(readBigEndian32(file, &value), 0);
    EXPECT_EQ(value, 65535);
    EXPECT_FALSE(file.readFellShort());
    // Past the end: -19 and the value stays as it was.
    EXPECT_EQ(readBigEndian32(file, &value), kReadFailed);
    EXPECT_EQ(value, 65535);
    EXPECT_TRUE(file.readFellShort());
}

TEST(BinaryFile, PartialNumberAtTheEndIsAFailedRead) {
    const unsigned char bytes[] = {0x00, 0x00, 0x00, 0x07, 0x12, 0x34};
    PlatformFile file;
    ASSERT_TRUE(file.openMemory(bytes, sizeof bytes));
    int32_t value = -1;
    EXPECT_EQ(readBigEndian32(file, &value), 0);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(readBigEndian32(file, &value), kReadFailed);
    EXPECT_EQ(value, 7);
}

TEST(BinaryFile, SkipStopsAtTheEnd) {
    const unsigned char bytes[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 42};
    PlatformFile memory;
    ASSERT_TRUE(memory.openMemory(bytes, sizeof bytes));
    EXPECT_EQ(memory.skipBytes(9), 0);
    unsigned char last = 0;
    EXPECT_EQ(memory.readBytes(&last, 1), 0);
    EXPECT_EQ(last, 42);
    EXPECT_EQ(memory.skipBytes(1), kReadFailed);

    const std::string path = pathIn("skip.bin");
    writeRawFile(path, std::vector<unsigned char>(bytes, bytes + sizeof bytes));
    PlatformFile file;
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::read));
    EXPECT_EQ(file.skipBytes(9), 0);
    EXPECT_EQ(file.readBytes(&last, 1), 0);
    EXPECT_EQ(last, 42);
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::read));
    EXPECT_EQ(file.skipBytes(11), kReadFailed);
    EXPECT_EQ(file.readBytes(&last, 1), kReadFailed);
}

TEST(BinaryFile, OverwriteKeepsTheTailAndReplaceCutsIt) {
    const std::string path = pathIn("modes.bin");
    writeRawFile(path, std::vector<unsigned char>(12, 0xAB));
    PlatformFile file;
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::overwrite));
    EXPECT_EQ(writeBigEndian32(file, 0), 0);
    EXPECT_EQ(file.close(), 0);
    std::vector<unsigned char> expected(12, 0xAB);
    expected[0] = expected[1] = expected[2] = expected[3] = 0;
    EXPECT_EQ(fileBytes(path), expected);

    ASSERT_TRUE(file.open(path.c_str(), FileAccess::replace));
    EXPECT_EQ(writeBigEndian32(file, 0), 0);
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(fileBytes(path).size(), 4u);

    const std::string fresh = pathIn("fresh.bin");
    ASSERT_TRUE(file.open(fresh.c_str(), FileAccess::overwrite));
    EXPECT_EQ(writeBigEndian32(file, 9), 0);
    EXPECT_EQ(file.close(), 0);
    EXPECT_EQ(fileBytes(fresh).size(), 4u);
}

TEST(BinaryFile, RefusesWhatItCannotOpen) {
    PlatformFile file;
    EXPECT_FALSE(file.open(pathIn("missing.bin").c_str(), FileAccess::read));
    EXPECT_FALSE(file.open(testTemporaryFolder().c_str(), FileAccess::read));  // a folder
    EXPECT_FALSE(file.open(pathIn("no-folder/file.bin").c_str(), FileAccess::overwrite));
    EXPECT_FALSE(file.open("", FileAccess::replace));
    EXPECT_FALSE(file.open(nullptr, FileAccess::read));
    int32_t value = 5;
    EXPECT_EQ(readBigEndian32(file, &value), kReadFailed);
    EXPECT_EQ(writeBigEndian32(file, 1), kWriteFailed);
}

TEST(BinaryFile, ReadOnlyFilesAndViewsTakeNoWrites) {
    const unsigned char bytes[4] = {1, 2, 3, 4};
    PlatformFile view;
    ASSERT_TRUE(view.openMemory(bytes, sizeof bytes));
    EXPECT_EQ(writeBigEndian32(view, 1), kWriteFailed);
    EXPECT_TRUE(view.writeFellShort());
}

TEST(BinaryFile, AFullDeviceReportsTheFailedWrite) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that is always full";
#endif
    PlatformFile file;
    if (!file.open("/dev/full", FileAccess::overwrite)) GTEST_SKIP() << "no /dev/full";
    writeBigEndian32(file, 1);  // buffered; the failure shows when flushed
    EXPECT_EQ(file.close(), kWriteFailed);
}

TEST(PathLimits, PathsOfMoreThan259BytesAreRefused) {
    const std::string longest(259, 'a');
    const std::string tooLong(260, 'a');
    EXPECT_TRUE(pathFits(longest.c_str()));
    EXPECT_FALSE(pathFits(tooLong.c_str()));
    EXPECT_FALSE(pathFits(nullptr));

    const std::string tooLongPath = testTemporaryFolder() + "/" + std::string(300, 'x');
    PlatformFile file;
    EXPECT_FALSE(file.open(tooLongPath.c_str(), FileAccess::replace));

    char joined[kMaxPathBytes];
    EXPECT_TRUE(joinPath(joined, sizeof joined, "/tmp/", "name"));
    EXPECT_STREQ(joined, "/tmp/name");
    const std::string folder(250, 'f');
    EXPECT_TRUE(joinPath(joined, sizeof joined, folder.c_str(), "123456789"));  // 259 bytes
    EXPECT_FALSE(joinPath(joined, sizeof joined, folder.c_str(), "1234567890"));
    EXPECT_STREQ(joined, "");
    char small[8];
    EXPECT_FALSE(joinPath(small, sizeof small, "abcd", "efgh"));
    EXPECT_TRUE(joinPath(small, sizeof small, "abc", "efgh"));
}
