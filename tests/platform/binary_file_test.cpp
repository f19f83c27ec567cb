// Big-endian numbers on files and memory views, the open modes, the path
// limit and the -19/-20 codes.
#include "platform/binary_file.h"
#include "platform/path_limits.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
std::string pathIn(const std::string& name) {
    return testTemporaryFolder() + "/" + name;
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

TEST(BinaryFile, AWriteBeyondTheFileSizeLimitIsReported) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit";
#else
    PlatformFile file;
    const std::string path = testTemporaryFolder() + "/limited.bin";
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::overwrite));
    {
        FileSizeLimit limit(1024);
        const std::vector<unsigned char> bytes(8192, 7);
        file.writeBytes(bytes.data(), bytes.size());  // buffered; the failure shows when flushed
        EXPECT_EQ(file.close(), kWriteFailed);
    }
#endif
}

TEST(BinaryFile, OnlyRegularFilesAreOpenedAndNoneIsWaitedOn) {
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs are a POSIX matter";
#else
    // A FIFO with no writer: opening it to read would wait forever.
    const std::string fifo = testTemporaryFolder() + "/waits.fifo";
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PlatformFile file;
    EXPECT_FALSE(file.open(fifo.c_str(), FileAccess::read));
    EXPECT_FALSE(file.open(fifo.c_str(), FileAccess::overwrite));

    // A link is followed by default and refused where asked (the store).
    const std::string target = testTemporaryFolder() + "/link-target.bin";
    const std::string link = testTemporaryFolder() + "/link.bin";
    ::unlink(link.c_str());
    ASSERT_TRUE(file.open(target.c_str(), FileAccess::overwrite));
    file.close();
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_TRUE(file.open(link.c_str(), FileAccess::read));
    file.close();
    EXPECT_FALSE(file.open(link.c_str(), FileAccess::read, LinkPolicy::refuse));
    EXPECT_FALSE(file.open(link.c_str(), FileAccess::overwrite, LinkPolicy::refuse));
#endif
}

TEST(PathLimits, PathsAsLongAsTheSystemTakesAreTaken) {
    const std::string longest(kMaxPathBytes - 1, 'a');
    const std::string tooLong(kMaxPathBytes, 'a');
    EXPECT_TRUE(pathFits(longest.c_str()));
    EXPECT_FALSE(pathFits(tooLong.c_str()));
    EXPECT_FALSE(pathFits(nullptr));

#ifndef _WIN32
    // A file 300 bytes deep is written and read back whole (folders of 100
    // bytes each: every name stays within the file system's 255).
    std::string deep = testTemporaryFolder();
    for (int level = 0; level < 3; ++level) {
        deep += "/" + std::string(100, char('p' + level));
        std::filesystem::create_directories(deep);
    }
    const std::string path = deep + "/value.bin";
    ASSERT_GT(path.size(), 300u);
    PlatformFile file;
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::overwrite));
    writeBigEndian32(file, 0x01020304);
    ASSERT_EQ(file.close(), 0);
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::read));
    int32_t value = 0;
    EXPECT_EQ(readBigEndian32(file, &value), 0);
    EXPECT_EQ(value, 0x01020304);
#endif

    char joined[kMaxPathBytes];
    EXPECT_TRUE(joinPath(joined, sizeof joined, "/tmp/", "name"));
    EXPECT_STREQ(joined, "/tmp/name");
    const std::string folder(kMaxPathBytes - 10, 'f');
    EXPECT_TRUE(joinPath(joined, sizeof joined, folder.c_str(), "123456789"));  // the last byte for the 0
    EXPECT_FALSE(joinPath(joined, sizeof joined, folder.c_str(), "1234567890"));
    EXPECT_STREQ(joined, "");
    char small[8];
    EXPECT_FALSE(joinPath(small, sizeof small, "abcd", "efgh"));
    EXPECT_TRUE(joinPath(small, sizeof small, "abc", "efgh"));
}
