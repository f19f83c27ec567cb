// The Windows half of the platform, run under Wine: the temporary folder,
// binary-mode files, moves that do or do not replace, and the resource
// section of the built Twilightomator.8bf against the tables it was made from.
#include "platform/binary_file.h"
#include "platform/module_library.h"
#include "platform/path_limits.h"
#include "platform/temporary_folder.h"
#include "platform/whole_file.h"
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

TEST(WindowsTemporaryFolder, AFolderTooLongForTheStoreGivesTheSystemFolder) {
    SavedTmp saved;
    char folder[kMaxPathBytes];
    // 258 characters and the separator GetTempPathA adds fill the 260 bytes
    // of a path exactly; one character more and the folder cannot be used.
    SetEnvironmentVariableA("TMP", ("C:\\" + std::string(255, 'a')).c_str());
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_EQ(std::string(folder), "C:\\" + std::string(255, 'a') + "\\");
    SetEnvironmentVariableA("TMP", ("C:\\" + std::string(256, 'a')).c_str());
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\Windows\\Temp\\");
    SetEnvironmentVariableA("TMP", ("C:\\" + std::string(400, 'b')).c_str());
    ASSERT_TRUE(temporaryFolder(folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\Windows\\Temp\\");
    char small[4];
    EXPECT_FALSE(temporaryFolder(small, sizeof small));
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
