// The runtime random generator, UTC dates, global memory, folder listing
// and the no-replace rename.
#include "platform/file_rename.h"
#include "platform/folder_listing.h"
#include "platform/global_memory.h"
#include "platform/runtime_random.h"
#include "platform/utc_date.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

TEST(RuntimeRandom, DrawsTheRuntimeSequence) {
    RuntimeRandom random;
    seedRuntimeRandom(random, 1);
    // state 1 -> 1 * 214013 + 2531011 = 2745024, 2745024 >> 16 = 41;
    // the next state 2745024 * 214013 + 2531011 mod 2^32 = 3357800067 -> 18467.
    EXPECT_EQ(nextRuntimeRandom(random), 41);
    EXPECT_EQ(nextRuntimeRandom(random), 18467);
    EXPECT_EQ(random.state, 3357800067u);

    seedRuntimeRandom(random, 0);
    EXPECT_EQ(nextRuntimeRandom(random), 38);  // 2531011 >> 16

    // Seed 0xFFFFFFFF: 0xFFFFFFFF * 214013 + 2531011 wraps to 2316998 -> 35.
    seedRuntimeRandom(random, 0xFFFFFFFFu);
    EXPECT_EQ(nextRuntimeRandom(random), 35);
}

TEST(RuntimeRandom, StaysWithinFifteenBits) {
    RuntimeRandom random;
    seedRuntimeRandom(random, 12345);
    for (int i = 0; i < 10000; ++i) {
        const int32_t value = nextRuntimeRandom(random);
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 32767);
    }
}

TEST(UtcDate, SplitsSecondsIntoTheCalendar) {
    const UtcDate epoch = utcDateFromSeconds(0);
    EXPECT_EQ(epoch.year, 1970);
    EXPECT_EQ(epoch.month, 1);
    EXPECT_EQ(epoch.day, 1);
    EXPECT_EQ(epoch.hour, 0);
    // 10957 days to 2000-01-01, then 31 + 28 days: 2000-02-29; plus 1 h 1 min 1 s.
    const UtcDate leap = utcDateFromSeconds(11016LL * 86400 + 3661);
    EXPECT_EQ(leap.year, 2000);
    EXPECT_EQ(leap.month, 2);
    EXPECT_EQ(leap.day, 29);
    EXPECT_EQ(leap.hour, 1);
    EXPECT_EQ(leap.minute, 1);
    EXPECT_EQ(leap.second, 1);
    EXPECT_GE(currentUtcDate().year, 2024);
}

TEST(GlobalMemory, BlocksAreZeroFilledAndGrowZeroFilled) {
    unsigned char* block = static_cast<unsigned char*>(globalAllocate(64));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(globalSize(block), 64u);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0);
    std::memset(block, 0x5A, 64);
    block = static_cast<unsigned char*>(globalReallocate(block, 4096));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(globalSize(block), 4096u);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], 0x5A);
    for (int i = 64; i < 4096; ++i) ASSERT_EQ(block[i], 0);
    block = static_cast<unsigned char*>(globalReallocate(block, 16));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[15], 0x5A);
    globalFree(block);
    globalFree(nullptr);
    EXPECT_EQ(globalAllocate(SIZE_MAX), nullptr);
}

TEST(FolderListing, ListsFilesWithTheSuffixInAnyCase) {
    const std::filesystem::path folder = std::filesystem::path(testTemporaryFolder()) / "listing";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "folder.z5a");
    for (const char* name : {"b.z5a", "A.Z5A", "c.txt", "z5a", "d.z5a.bak"})
        std::ofstream(folder / name) << "x";
    std::vector<std::string> names;
    ASSERT_TRUE(listFilesWithSuffix(folder.string().c_str(), ".z5a", names));
    EXPECT_EQ(names, (std::vector<std::string>{"A.Z5A", "b.z5a"}));
    ASSERT_TRUE(listFilesWithSuffix((folder.string() + "/").c_str(), ".txt", names));
    EXPECT_EQ(names, (std::vector<std::string>{"c.txt"}));
    EXPECT_FALSE(listFilesWithSuffix((folder / "missing").string().c_str(), ".z5a", names));
    EXPECT_TRUE(names.empty());
}

TEST(FolderListing, CreatesFoldersAndTellsFilesFromFolders) {
    const std::string folder = testTemporaryFolder() + "/made";
    std::filesystem::remove_all(folder);
    EXPECT_FALSE(folderExists(folder.c_str()));
    EXPECT_TRUE(createFolder(folder.c_str()));
    EXPECT_TRUE(createFolder(folder.c_str()));  // already there
    EXPECT_TRUE(folderExists(folder.c_str()));
    EXPECT_FALSE(fileExists(folder.c_str()));
    EXPECT_FALSE(createFolder((folder + "/a/b").c_str()));  // one level at a time
}

TEST(FileRename, MovesButNeverReplaces) {
    const std::string from = testTemporaryFolder() + "/rename-from";
    const std::string to = testTemporaryFolder() + "/rename-to";
    const std::string kept = testTemporaryFolder() + "/rename-kept";
    std::filesystem::remove(to);
    std::ofstream(from) << "moved";
    std::ofstream(kept) << "kept";
    EXPECT_TRUE(renameFile(from.c_str(), to.c_str()));
    EXPECT_FALSE(fileExists(from.c_str()));
    EXPECT_TRUE(fileExists(to.c_str()));
    EXPECT_FALSE(renameFile(to.c_str(), kept.c_str()));
    std::ifstream in(kept);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(renameFile((testTemporaryFolder() + "/absent").c_str(), from.c_str()));
}
