// The Windows half of the platform, run under Wine: the temporary folder,
// binary-mode files, moves that do or do not replace, and the resource
// section of the built Twilightomator.8bf against the tables it was made from.
#include "platform/binary_file.h"
#include "platform/file_lock.h"
#include "platform/file_open.h"
#include "platform/file_rename.h"
#include "platform/folder_entries.h"
#include "platform/folder_listing.h"
#include "platform/module_library.h"
#include "platform/path_limits.h"
#include "platform/temporary_folder.h"
#include "platform/whole_file.h"
#include "platform/wide_text.h"
#include "interface/host_interface.h"
#include "resources/plugin_properties.h"
#include "resources/terminology.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <windows.h>

namespace {
// Restores TMP when a test changes it.
struct SavedTmp {
    std::string value;
    SavedTmp() {
        char buffer[1024] = "";
        GetEnvironmentVariableA("TMP", buffer, sizeof buffer);
        value = buffer;
    }
    ~SavedTmp() { SetEnvironmentVariableA("TMP", value.c_str()); }
};

std::vector<char> fileChars(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

std::string testPath(const std::string& name) {
    return testTemporaryFolder() + "\\" + name;
}

// The built module, loaded for one test.
struct LoadedPlugin {
    void* library = nullptr;
    std::string error;
    LoadedPlugin() { library = openModuleLibrary(builtPluginPath(), error); }
    ~LoadedPlugin() { closeModuleLibrary(library); }
};
}  // namespace

TEST(WindowsTemporaryFolder, TakesTmpWithOneTrailingSeparator) {
    SavedTmp saved;
    char folder[kMaxPathBytes];
    SetEnvironmentVariableA("TMP", "C:\\some\\where");
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\some\\where\\");
    SetEnvironmentVariableA("TMP", "C:\\some\\where\\");
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\some\\where\\");
}

TEST(WindowsTemporaryFolder, ComesInUtf8AndOnlyTheSystemsLimitSendsItToTheSystemFolder) {
    SavedTmp saved;
    char folder[kMaxPathBytes];
    // Windows gives a temporary folder shorter than MAX_PATH with its
    // separator: 3 + 255 + 1 = 259 characters pass as they are, in UTF-8.
    SetEnvironmentVariableA("TMP", ("C:\\" + std::string(255, 'a')).c_str());
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), "C:\\" + std::string(255, 'a') + "\\");
    SetEnvironmentVariableW(L"TMP", L"C:\\\u65E5\u672C");
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\\xE6\x97\xA5\xE6\x9C\xAC\\");
    // Longer than Windows gives one: the system's folder.
    SetEnvironmentVariableA("TMP", ("C:\\" + std::string(400, 'b')).c_str());
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\Windows\\Temp\\");
    char small[4];
    EXPECT_FALSE(temporaryFolder(small, sizeof small));
}

// Names outside the ANSI code page and paths past MAX_PATH, through every
// service that names a path: written whole, listed, found, opened, moved,
// locked, and a folder made.
TEST(WindowsFiles, NamesOutsideTheCodePageAndLongPathsReachTheSystemWhole) {
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // U+65E5 U+672C U+8A9E
    const std::string emoji = "emoji\xF0\x9F\x98\x80";                       // U+1F600
    std::string folder = testPath("names");
    std::filesystem::remove_all(std::filesystem::path(folder));
    ASSERT_TRUE(createFolder(folder.c_str()));
    for (char c : {'a', 'b', 'c'}) {
        folder += "\\" + japanese + std::string(90, c);
        ASSERT_TRUE(createFolder(folder.c_str())) << folder;
    }
    ASSERT_GT(folder.size(), 300u);
    const std::string first = folder + "\\" + japanese + ".bin", moved = folder + "\\" + emoji + ".bin";
    std::string error;
    ASSERT_TRUE(writeWholeFile(first, "abc", 3, false, error)) << error;
    EXPECT_TRUE(fileExists(first.c_str()));
    EXPECT_TRUE(folderExists(folder.c_str()));
    int64_t size = 0;
    std::FILE* read = openFileForReading(first.c_str(), &size);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(size, 3);
    std::fclose(read);
    ASSERT_TRUE(renameFile(first.c_str(), moved.c_str()));
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(listFolderEntries(folder.c_str(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, emoji + ".bin");
    std::vector<std::string> names;
    ASSERT_TRUE(listFilesWithSuffix(folder.c_str(), ".BIN", names));
    EXPECT_EQ(names, std::vector<std::string>{emoji + ".bin"});
    FileLock lock;
    EXPECT_TRUE(lock.acquire((folder + "\\" + japanese + ".lock").c_str(), 0));
    lock.release();
    // The name the system holds is the one given, as Windows' own wide
    // listing of the folder shows it.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(widePath(folder + "\\emoji*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_STREQ(found.cFileName, L"emoji\U0001F600.bin");
    // The C runtime's removal stops at MAX_PATH: the test clears its own folders.
    DeleteFileW(widePath(moved).c_str());
    DeleteFileW(widePath(folder + "\\" + japanese + ".lock").c_str());
    for (int level = 0; level < 3; ++level) {
        RemoveDirectoryW(widePath(folder).c_str());
        folder.resize(folder.find_last_of('\\'));
    }
}

TEST(WindowsFiles, AreWrittenInBinaryMode) {
    // Line ends pass through unchanged: "\n" is one byte, not CR LF.
    const std::string path = testPath("binary.bin");
    PlatformFile file;
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::replace));
    ASSERT_EQ(file.writeBytes("a\nb\x1a" "c", 5), 0);
    ASSERT_EQ(file.close(), 0);
    EXPECT_EQ(fileChars(path), (std::vector<char>{'a', '\n', 'b', '\x1a', 'c'}));
    // Read back past the 0x1A that ends a text-mode read.
    ASSERT_TRUE(file.open(path.c_str(), FileAccess::read));
    char back[5] = {};
    EXPECT_EQ(file.readBytes(back, 5), 0);
    EXPECT_EQ(std::memcmp(back, "a\nb\x1a" "c", 5), 0);
    file.close();

    const std::string fresh = testPath("fresh.bin");
    std::filesystem::remove(fresh);
    std::string error;
    ASSERT_TRUE(writeWholeFile(fresh, "\n\n", 2, false, error)) << error;
    EXPECT_EQ(fileChars(fresh), (std::vector<char>{'\n', '\n'}));
}

TEST(WindowsFiles, WholeFilesReplaceOnlyWhenAsked) {
    const std::string folder = testPath("whole");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string target = folder + "\\picture.bin";
    std::ofstream(target, std::ios::binary) << "old";
    std::string error;
    EXPECT_FALSE(writeWholeFile(target, "new", 3, false, error));
    EXPECT_EQ(error, existingOutputMessage(target));
    EXPECT_EQ(fileChars(target), (std::vector<char>{'o', 'l', 'd'}));

    WholeFile file;
    ASSERT_TRUE(file.begin(target, true, error)) << error;
    ASSERT_TRUE(file.write("new", 3, error)) << error;
    ASSERT_TRUE(file.commit(error)) << error;
    EXPECT_TRUE(file.replacedExisting());
    EXPECT_EQ(fileChars(target), (std::vector<char>{'n', 'e', 'w'}));

    // A target that appears while the file is written is not replaced
    // without overwrite, and the temporary file goes.
    const std::string late = folder + "\\late.bin";
    ASSERT_TRUE(file.begin(late, false, error)) << error;
    ASSERT_TRUE(file.write("mine", 4, error)) << error;
    std::ofstream(late, std::ios::binary) << "theirs";
    EXPECT_FALSE(file.commit(error));
    EXPECT_EQ(error, existingOutputMessage(late));
    file.abandon();
    EXPECT_EQ(fileChars(late).size(), 6u);
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2u);  // picture.bin and late.bin, no temporary file
}

TEST(WindowsFiles, AReadOnlyFileReplacedWithOverwriteStaysReadOnly) {
    const std::string folder = testPath("read-only");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string target = folder + "\\kept.bin";
    std::ofstream(target, std::ios::binary) << "old";
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string error;
    ASSERT_TRUE(writeWholeFile(target, "new", 3, true, error)) << error;
    EXPECT_EQ(fileChars(target), (std::vector<char>{'n', 'e', 'w'}));
    EXPECT_NE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsModule, ResourceSectionHoldsTheSharedPropertyListAndTerminology) {
    LoadedPlugin plugin;
    ASSERT_NE(plugin.library, nullptr) << builtPluginPath() << ": " << plugin.error;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(moduleResource(plugin.library, fourCC("PiPL"), kPropertyListResourceId, bytes));
    EXPECT_EQ(bytes, propertyListResourceBytes());
    // Resource type names are found without regard to case, as hosts ask for "aete".
    ASSERT_TRUE(moduleResource(plugin.library, fourCC("aete"), kTerminologyResourceId, bytes));
    EXPECT_EQ(bytes, terminologyResourceBytes());
    EXPECT_FALSE(moduleResource(plugin.library, fourCC("PiPL"), 16001, bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(WindowsModule, ExportsTheEntryPointAndNoResourceAccessor) {
    LoadedPlugin plugin;
    ASSERT_NE(plugin.library, nullptr) << plugin.error;
    EXPECT_NE(moduleEntry(plugin.library, "PluginMain"), nullptr);
    EXPECT_NE(moduleEntry(plugin.library, "TwilightomatorPresetPicture"), nullptr);
    EXPECT_EQ(moduleEntry(plugin.library, "TwilightomatorResource"), nullptr);
    std::string error;
    EXPECT_EQ(openModuleLibrary(testPath("no-such-module.8bf"), error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(WindowsModule, RefusalBoxAndItsIconAreInTheModule) {
    LoadedPlugin plugin;
    ASSERT_NE(plugin.library, nullptr) << plugin.error;
    HMODULE module = static_cast<HMODULE>(plugin.library);
    EXPECT_NE(FindResourceA(module, "REFUSAL2", MAKEINTRESOURCEA(5) /* RT_DIALOG */), nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(148), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), nullptr);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16) /* RT_VERSION */), nullptr);
}

TEST(WindowsModule, KnowsTheRunningProgramAndTheModuleOfAnAddress) {
    const std::string self = runningProgramPath();
    const std::string name = "\\test_platform.exe";
    ASSERT_GE(self.size(), name.size());
    EXPECT_EQ(self.substr(self.size() - name.size()), name) << self;
    EXPECT_EQ(modulePathOf(reinterpret_cast<const void*>(&runningProgramPath)), self);

    LoadedPlugin plugin;
    ASSERT_NE(plugin.library, nullptr) << plugin.error;
    const std::string module = modulePathOf(moduleEntry(plugin.library, "PluginMain"));
    const std::string moduleName = "\\Twilightomator.8bf";
    ASSERT_GE(module.size(), moduleName.size());
    EXPECT_EQ(module.substr(module.size() - moduleName.size()), moduleName) << module;
}
