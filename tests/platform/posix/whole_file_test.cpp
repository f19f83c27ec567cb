// A user's file written whole or not at all: the temporary file beside the
// target, the overwrite rule, links, permissions and the signal clean-up.
#include "platform/file_rename.h"
#include "platform/whole_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string folder() {
    static const std::string path = [] {
        const fs::path p = fs::path(testTemporaryFolder()) / "whole-file";
        fs::create_directories(p);
        return p.string();
    }();
    return path;
}

std::string textOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::string> namesIn(const std::string& where) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(where)) names.push_back(entry.path().filename().string());
    return names;
}

TEST(WholeFile, TheTargetChangesOnlyAtTheCommit) {
    const std::string target = folder() + "/a.txt";
    std::ofstream(target) << "old and longer";
    std::string error;
    WholeFile file;
    EXPECT_FALSE(file.begin(target, false, error));
    EXPECT_EQ(error, target + " exists; use --force to replace it");

    ASSERT_TRUE(file.begin(target, true, error)) << error;
    EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), fs::path(folder()));
    ASSERT_TRUE(file.write("new", 3, error)) << error;
    EXPECT_EQ(textOf(target), "old and longer");
    ASSERT_TRUE(file.commit(error)) << error;
    EXPECT_TRUE(file.replacedExisting());
    EXPECT_EQ(textOf(target), "new");  // not "new and longer"
    EXPECT_EQ(namesIn(folder()), std::vector<std::string>{"a.txt"});
}

TEST(WholeFile, AnAbandonedOrFailedWriteLeavesNothing) {
    const std::string target = folder() + "/b.txt";
    fs::remove(target);
    std::string error;
    {
        WholeFile file;
        ASSERT_TRUE(file.begin(target, false, error)) << error;
        ASSERT_TRUE(file.write("x", 1, error));
        EXPECT_TRUE(fs::exists(file.temporaryPath()));
    }  // destroyed uncommitted
    EXPECT_FALSE(fs::exists(target));
    WholeFile file;
    ASSERT_TRUE(file.begin(target, false, error)) << error;
    file.abandon();
    EXPECT_FALSE(fs::exists(target));
    for (const std::string& name : namesIn(folder())) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;

    // A folder is never a target; a missing folder is named.
    fs::create_directories(folder() + "/sub");
    EXPECT_FALSE(file.begin(folder() + "/sub", true, error));
    EXPECT_EQ(error, folder() + "/sub is a folder, not a file");
    EXPECT_FALSE(file.begin(folder() + "/missing/c.txt", true, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(WholeFile, ALinkIsReplacedAndItsTargetKept) {
    const std::string kept = folder() + "/kept.txt";
    const std::string link = folder() + "/link.txt";
    std::ofstream(kept) << "mine";
    fs::remove(link);
    fs::create_symlink(kept, link);
    std::string error;
    ASSERT_TRUE(writeWholeFile(link, "new", 3, true, error)) << error;
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(textOf(link), "new");
    EXPECT_EQ(textOf(kept), "mine");
}

TEST(WholeFile, ANameThatAppearsOrDanglesIsNeverReplacedWithoutForce) {
    // A file made by someone else between the checks and the commit stays.
    const std::string target = folder() + "/late.txt";
    fs::remove(target);
    std::string error;
    WholeFile file;
    ASSERT_TRUE(file.begin(target, false, error)) << error;
    ASSERT_TRUE(file.write("ours", 4, error));
    std::ofstream(target) << "theirs";
    EXPECT_FALSE(file.commit(error));
    EXPECT_EQ(error, target + " exists; use --force to replace it");
    EXPECT_EQ(textOf(target), "theirs");
    file.abandon();

    // A link to nothing is a name too: neither the file service nor the
    // rename writes through it or replaces it.
    const std::string link = folder() + "/dangling.txt";
    const std::string nowhere = folder() + "/nowhere.txt";
    fs::remove(link);
    fs::remove(nowhere);
    fs::create_symlink(nowhere, link);
    EXPECT_FALSE(writeWholeFile(link, "new", 3, false, error));
    EXPECT_EQ(error, link + " exists; use --force to replace it");
    EXPECT_FALSE(renameFile(target.c_str(), link.c_str()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(nowhere));
    EXPECT_EQ(textOf(target), "theirs");
    for (const std::string& name : namesIn(folder())) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

TEST(WholeFile, NewFilesHonourTheUmaskAndReplacedOnesKeepTheirMode) {
    const std::string fresh = folder() + "/fresh.txt";
    const std::string existing = folder() + "/existing.txt";
    fs::remove(fresh);
    std::ofstream(existing) << "x";
    ::chmod(existing.c_str(), 0640);
    const mode_t previous = ::umask(027);
    std::string error;
    const bool wroteFresh = writeWholeFile(fresh, "a", 1, false, error);
    const bool wroteExisting = writeWholeFile(existing, "b", 1, true, error);
    ::umask(previous);
    ASSERT_TRUE(wroteFresh && wroteExisting) << error;
    struct stat status;
    ASSERT_EQ(::stat(fresh.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);  // 0666 less 027
    ASSERT_EQ(::stat(existing.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST(WholeFile, PendingTemporaryFilesAreRemovedForASignal) {
    const std::string target = folder() + "/d.txt";
    fs::remove(target);
    std::string error;
    WholeFile first, second;
    ASSERT_TRUE(first.begin(target, false, error)) << error;
    ASSERT_TRUE(second.begin(folder() + "/e.txt", false, error)) << error;
    ASSERT_TRUE(fs::exists(first.temporaryPath()));
    removePendingTemporaryFiles();
    EXPECT_FALSE(fs::exists(first.temporaryPath()));
    EXPECT_FALSE(fs::exists(second.temporaryPath()));
    // A committed file is no longer pending.
    WholeFile third;
    ASSERT_TRUE(third.begin(folder() + "/f.txt", true, error)) << error;
    ASSERT_TRUE(third.commit(error)) << error;
    removePendingTemporaryFiles();
    EXPECT_TRUE(fs::exists(folder() + "/f.txt"));
}

}  // namespace
