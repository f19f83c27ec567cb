// The temporary folder: $TMPDIR, or a private per-user folder whose owner
// and mode are checked before it is used.
#include "platform/temporary_folder.h"
#include "platform/path_limits.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string freshBase(const std::string& name) {
    const std::string base = testTemporaryFolder() + "/" + name;
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return base;
}

std::string expectedFolder(const std::string& base) {
    return base + "/twilightomator-" + std::to_string(::geteuid()) + "/";
}

// Restores TMPDIR when a test changes it.
struct SavedTmpdir {
    std::string value = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ~SavedTmpdir() { ::setenv("TMPDIR", value.c_str(), 1); }
};
}  // namespace

TEST(TemporaryFolder, TakesTmpdirOnlyWhenNoOneElseMayWriteIntoIt) {
    SavedTmpdir saved;
    char folder[kMaxPathBytes];
    // The user's own closed folder is taken as it is, with a separator.
    const std::string own = freshBase("own");
    ASSERT_EQ(::chmod(own.c_str(), 0755), 0);
    ::setenv("TMPDIR", own.c_str(), 1);
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), own + "/");
    ::setenv("TMPDIR", (own + "/").c_str(), 1);
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), own + "/");

    // A folder everyone may write into (as /tmp is), or the group may: a
    // private folder inside it, where no one can plant a link.
    for (mode_t mode : {mode_t(01777), mode_t(0775)}) {
        const std::string shared = freshBase("shared");
        ASSERT_EQ(::chmod(shared.c_str(), mode), 0);
        ::setenv("TMPDIR", shared.c_str(), 1);
        ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
        EXPECT_EQ(std::string(folder), expectedFolder(shared)) << std::oct << mode;
    }
}

TEST(TemporaryFolder, CreatesAPrivatePerUserFolder) {
    const std::string base = freshBase("private");
    char folder[kMaxPathBytes];
    ASSERT_TRUE(perUserTemporaryFolder(base.c_str(), folder, sizeof folder));
    EXPECT_EQ(std::string(folder), expectedFolder(base));
    struct stat info;
    ASSERT_EQ(::lstat(folder, &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Found again on the next call.
    ASSERT_TRUE(perUserTemporaryFolder(base.c_str(), folder, sizeof folder));
    EXPECT_EQ(std::string(folder), expectedFolder(base));
}

TEST(TemporaryFolder, RefusesAFolderOthersCanEnter) {
    const std::string base = freshBase("open");
    std::string folder = expectedFolder(base);
    folder.pop_back();
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    char out[kMaxPathBytes];
    EXPECT_FALSE(perUserTemporaryFolder(base.c_str(), out, sizeof out));
    EXPECT_STREQ(out, "");
}

TEST(TemporaryFolder, RefusesALinkPlantedInItsPlace) {
    const std::string base = freshBase("link");
    const std::string target = base + "/elsewhere";
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    std::string folder = expectedFolder(base);
    folder.pop_back();
    ASSERT_EQ(::symlink(target.c_str(), folder.c_str()), 0);
    char out[kMaxPathBytes];
    EXPECT_FALSE(perUserTemporaryFolder(base.c_str(), out, sizeof out));
}

TEST(TemporaryFolder, RefusesAFolderOfAnotherUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
    const std::string base = freshBase("foreign");
    std::string folder = expectedFolder(base);
    folder.pop_back();
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chown(folder.c_str(), 12345, 12345), 0);
    char out[kMaxPathBytes];
    EXPECT_FALSE(perUserTemporaryFolder(base.c_str(), out, sizeof out));
}
