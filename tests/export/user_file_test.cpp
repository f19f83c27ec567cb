// Saving a user's file: whole or not at all, an older file untouched on failure.
#include "export/user_file.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t entriesIn(const std::string& folder) {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(folder)) n += e.exists() ? 1 : 0;
    return n;
}

TEST(UserFile, ReplacesAnOlderFileWholeOnSuccess) {
    const std::string folder = testTemporaryFolder() + "/user-file-ok";
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/page.html";
    std::ofstream(target) << "an older and much longer page";
    std::string error;
    ASSERT_TRUE(writeUserFile(target.c_str(), "new", 3, error)) << error;
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(entriesIn(folder), 1u);
}

// Blocks larger than the buffer go to the file directly, small ones through
// the buffer: mixed, they must still arrive in the order written.
TEST(UserFile, LargeAndSmallWritesKeepTheirOrder) {
    const std::string folder = testTemporaryFolder() + "/user-file-order";
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/document.psd";
    std::string expected;
    UserFile file;
    ASSERT_TRUE(file.open(target.c_str()));
    for (const auto& [size, letter] : {std::pair<size_t, char>{70000, 'a'}, {5, 'b'}, {100000, 'c'}, {65531, 'd'},
                                       {65536, 'e'}, {1, 'f'}}) {
        const std::string block(size, letter);
        file.write(block.data(), block.size());
        expected += block;
    }
    ASSERT_TRUE(file.commit()) << file.error();
    EXPECT_TRUE(contents(target) == expected);
}

TEST(UserFile, AWriteThatFailsLeavesTheOlderFileAndNoTemporaryFile) {
    const std::string folder = testTemporaryFolder() + "/user-file-full";
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/result.psd";
    std::ofstream(target) << "keep me";
    // A file size limit stands in for a full disk: writes past it fail.
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100000;
    setrlimit(RLIMIT_FSIZE, &small);
    UserFile file;
    ASSERT_TRUE(file.open(target.c_str()));
    const std::string block(300000, 'x');
    file.write(block.data(), block.size());
    const bool committed = file.commit();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(committed);
    EXPECT_TRUE(file.failed());
    EXPECT_NE(file.error().find("result.psd"), std::string::npos) << file.error();
    EXPECT_EQ(contents(target), "keep me");
    EXPECT_EQ(entriesIn(folder), 1u);
}

TEST(UserFile, AMissingFolderIsReported) {
    std::string error;
    const std::string target = testTemporaryFolder() + "/no such folder/page.html";
    EXPECT_FALSE(writeUserFile(target.c_str(), "x", 1, error));
    EXPECT_NE(error.find("no such folder"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(target));
}

}  // namespace
