// The settings store: file names, the first Start, cached settings across
// runs, the Undo sequence, Cancel, memory dots and the memdot map.
#include "settings/settings_store.h"

#include "preset_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {
const MemoryService kMemory = systemMemoryService();

// Each test gets its own empty temporary folder through TMPDIR.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        folder_ = testTemporaryFolder() + "/store-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        ::setenv("TMPDIR", folder_.c_str(), 1);
        initialiseParameters(parameters_);
    }
    void TearDown() override { ::setenv("TMPDIR", saved_.c_str(), 1); }

    std::string fileIn(const std::string& name) const { return folder_ + "/" + name; }

    std::string saved_;
    std::string folder_;
    FilterParameters parameters_;
    PresetPicture picture_;
};
}  // namespace

TEST_F(SettingsStoreTest, NamesItsFilesInTheTemporaryFolder) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    EXPECT_EQ(std::string(store.folder), folder_ + "/");
    char path[kMaxPathBytes];
    ASSERT_TRUE(storeFilePath(store, kCachedSettingsFileName, path));
    EXPECT_EQ(std::string(path), folder_ + "/Twilightomator cached settings C");
    char name[kMaxPathBytes];
    ASSERT_TRUE(memoryDotFileName(0, name));
    EXPECT_STREQ(name, "Twilightomator memory dot 0.z5a");
    ASSERT_TRUE(memoryDotFileName(25, name));
    EXPECT_STREQ(name, "Twilightomator memory dot 25.z5a");
    EXPECT_FALSE(memoryDotFileName(26, name));
    EXPECT_FALSE(memoryDotFileName(-1, name));
    EXPECT_STREQ(kUndoFileNames[0], "Twilightomator undo 0");
    EXPECT_STREQ(kUndoFileNames[1], "Twilightomator undo 1");
    EXPECT_STREQ(kMemdotMapFileName, "Twilightomator memdot map 2");
}

TEST_F(SettingsStoreTest, FirstStartKeepsTheDefaults) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    readMemdotMap(store);
    loadCachedSettings(store, parameters_, &picture_, kMemory);
    FilterParameters fresh;
    initialiseParameters(fresh);
    EXPECT_EQ(std::memcmp(&parameters_.settings, &fresh.settings, sizeof fresh.settings), 0);
    EXPECT_FALSE(store.slots[0].valid);
    EXPECT_FALSE(store.slots[1].valid);
    EXPECT_TRUE(std::filesystem::is_empty(folder_));  // reading creates nothing
}

TEST_F(SettingsStoreTest, CachedSettingsCarryToTheNextStartWithoutDescriptor) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    parameters_.settings.focus = 81;
    parameters_.settings.glue = 12;
    parameters_.settings.xCenter = 0.125f;
    picture_ = rampPicture();
    ASSERT_EQ(saveCachedSettings(store, parameters_, &picture_, kMemory), 0);
    EXPECT_TRUE(std::filesystem::exists(fileIn("Twilightomator cached settings C")));

    // The next run: a fresh block, a fresh work area.
    FilterParameters next;
    initialiseParameters(next);
    SettingsStore nextStore;
    PresetPicture nextPicture;
    ASSERT_TRUE(initialiseSettingsStore(nextStore));
    loadCachedSettings(nextStore, next, &nextPicture, kMemory);
    EXPECT_EQ(next.settings.focus, 81);
    EXPECT_EQ(next.settings.glue, 12);
    EXPECT_EQ(next.settings.xCenter, 0.125f);
    EXPECT_EQ(nextPicture.width, 128);
}

TEST_F(SettingsStoreTest, UndoReturnsToTheFirstSnapshotThenBack) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    parameters_.settings.focus = 10;
    parameters_.settings.xCenter = 0.25f;  // a multiple of 1/65536 survives the file exactly
    std::strcpy(parameters_.settingsFileName, "first.z5a");
    takeSnapshot(store, true, parameters_, nullptr, kMemory);  // when the dialog opens
    EXPECT_EQ(store.currentSlot, 1);
    EXPECT_TRUE(std::filesystem::exists(fileIn("Twilightomator undo 1")));

    parameters_.settings.focus = 20;
    parameters_.settings.xCenter = 0.75f;
    std::strcpy(parameters_.settingsFileName, "second.z5a");
    takeSnapshot(store, false, parameters_, nullptr, kMemory);
    EXPECT_EQ(store.currentSlot, 0);
    EXPECT_FALSE(std::filesystem::exists(fileIn("Twilightomator undo 0")));

    // Undo: the first snapshot, and its undo file brings back its centre.
    ASSERT_TRUE(undoSnapshot(store, parameters_, nullptr, kMemory));
    EXPECT_EQ(parameters_.settings.focus, 10);
    EXPECT_EQ(parameters_.settings.xCenter, 0.25f);
    EXPECT_STREQ(parameters_.settingsFileName, "first.z5a");
    EXPECT_EQ(store.currentSlot, 1);

    // Undo again: the second snapshot; it has no file, so its centre is not
    // part of it and the current one stays.
    ASSERT_TRUE(undoSnapshot(store, parameters_, nullptr, kMemory));
    EXPECT_EQ(parameters_.settings.focus, 20);
    EXPECT_EQ(parameters_.settings.xCenter, 0.25f);
    EXPECT_STREQ(parameters_.settingsFileName, "second.z5a");
    EXPECT_EQ(store.currentSlot, 0);
}

TEST_F(SettingsStoreTest, UndoWithOnlyTheNewestSlotDoesNothing) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    EXPECT_FALSE(undoSnapshot(store, parameters_, nullptr, kMemory));
    takeSnapshot(store, false, parameters_, nullptr, kMemory);
    parameters_.settings.focus = 3;
    EXPECT_FALSE(undoSnapshot(store, parameters_, nullptr, kMemory));
    EXPECT_EQ(parameters_.settings.focus, 3);
    EXPECT_EQ(store.currentSlot, 1);
}

TEST_F(SettingsStoreTest, CancelKeepsTheMovedCentre) {
    parameters_.settings.auxInt19 = 4;
    const SettingsSnapshot opened = captureSnapshot(parameters_);
    parameters_.settings.focus = 90;
    parameters_.settings.glue = 33;
    parameters_.settings.xCenter = 0.9f;
    parameters_.settings.yCenter = 0.1f;
    parameters_.settings.auxInt19 = 8;
    std::strcpy(parameters_.settingsFileName, "loaded.z5a");
    restoreSnapshot(opened, parameters_);
    EXPECT_EQ(parameters_.settings.focus, 36);
    EXPECT_EQ(parameters_.settings.glue, 1);
    EXPECT_EQ(parameters_.settings.xCenter, 0.9f);
    EXPECT_EQ(parameters_.settings.yCenter, 0.1f);
    EXPECT_EQ(parameters_.settings.auxInt19, 8);
    EXPECT_STREQ(parameters_.settingsFileName, kDefaultSettingsFileName);
}

TEST_F(SettingsStoreTest, MemoryDotsAreStoredAndLoaded) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    parameters_.settings.sepia = 66;
    ASSERT_EQ(storeMemoryDot(store, 0, parameters_, nullptr, kMemory), 0);
    ASSERT_EQ(storeMemoryDot(store, kScratchMemoryDot, parameters_, nullptr, kMemory), 0);
    EXPECT_TRUE(std::filesystem::exists(fileIn("Twilightomator memory dot 0.z5a")));
    EXPECT_TRUE(std::filesystem::exists(fileIn("Twilightomator memory dot 25.z5a")));
    EXPECT_EQ(storeMemoryDot(store, 26, parameters_, nullptr, kMemory), kPresetCannotOpen);

    parameters_.settings.sepia = 1;
    ASSERT_EQ(loadMemoryDot(store, 0, parameters_, nullptr, kMemory), 0);
    EXPECT_EQ(parameters_.settings.sepia, 66);
    EXPECT_EQ(loadMemoryDot(store, 7, parameters_, nullptr, kMemory), kPresetCannotOpen);
    EXPECT_EQ(parameters_.settings.sepia, 66);
}

TEST_F(SettingsStoreTest, MemdotMapKeepsTheFlags) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    store.keptFlags[0] = 1;
    store.keptFlags[7] = 1;
    store.keptFlags[24] = 1;
    ASSERT_EQ(writeMemdotMap(store), 0);
    const std::vector<uint8_t> bytes = readWholeFile(fileIn("Twilightomator memdot map 2"));
    ASSERT_EQ(bytes.size(), 104u);
    EXPECT_EQ(valueAt(bytes, 0), 40);
    for (int dot = 0; dot < 25; ++dot)
        EXPECT_EQ(valueAt(bytes, 1 + dot), dot == 0 || dot == 7 || dot == 24 ? 1 : 0) << dot;

    SettingsStore next;
    ASSERT_TRUE(initialiseSettingsStore(next));
    readMemdotMap(next);
    EXPECT_EQ(next.keptFlags[0], 1);
    EXPECT_EQ(next.keptFlags[7], 1);
    EXPECT_EQ(next.keptFlags[24], 1);
    EXPECT_EQ(next.keptFlags[8], 0);

    // A short map leaves the flags it lacks as they are.
    writeWholeFile(fileIn("Twilightomator memdot map 2"), bigEndianValues({40, 0, 1}));
    next.keptFlags[5] = 1;
    ASSERT_EQ(readMemdotMap(next), 0);
    EXPECT_EQ(next.keptFlags[0], 0);
    EXPECT_EQ(next.keptFlags[1], 1);
    EXPECT_EQ(next.keptFlags[5], 1);
}

TEST_F(SettingsStoreTest, WithoutAFolderEveryFileOperationDoesNothing) {
    SettingsStore store;
    store.folder[0] = '\0';
    EXPECT_EQ(saveCachedSettings(store, parameters_, nullptr, kMemory), kPresetCannotOpen);
    EXPECT_EQ(loadCachedSettings(store, parameters_, nullptr, kMemory), kPresetCannotOpen);
    EXPECT_EQ(writeMemdotMap(store), kPresetCannotOpen);
    EXPECT_EQ(readMemdotMap(store), kPresetCannotOpen);
    takeSnapshot(store, true, parameters_, nullptr, kMemory);
    EXPECT_TRUE(store.slots[1].valid);  // the in-memory snapshot still works
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

TEST_F(SettingsStoreTest, TwoRunsSharingTheMapLoseNoUpdate) {
    // Both runs read the map (dot 2 kept) before either writes it.
    SettingsStore first, second;
    ASSERT_TRUE(initialiseSettingsStore(first));
    ASSERT_TRUE(initialiseSettingsStore(second));
    first.keptFlags[2] = 1;
    ASSERT_EQ(writeMemdotMap(first), 0);
    readMemdotMap(first);
    readMemdotMap(second);

    // The first keeps dot 4 and frees dot 2; the second keeps dot 9.
    first.keptFlags[4] = 1;
    first.keptFlags[2] = 0;
    ASSERT_EQ(writeMemdotMap(first), 0);
    second.keptFlags[9] = 1;
    ASSERT_EQ(writeMemdotMap(second), 0);
    const std::vector<uint8_t> bytes = readWholeFile(fileIn("Twilightomator memdot map 2"));
    ASSERT_EQ(bytes.size(), 104u);
    for (int dot = 0; dot < 25; ++dot) EXPECT_EQ(valueAt(bytes, 1 + dot), dot == 4 || dot == 9 ? 1 : 0) << dot;
    EXPECT_EQ(second.keptFlags[4], 1);  // the run now sees the other's change
    EXPECT_EQ(second.keptFlags[2], 0);

    // A run that changed nothing (a plain filter run) keeps what another
    // run kept meanwhile.
    SettingsStore idle;
    ASSERT_TRUE(initialiseSettingsStore(idle));
    readMemdotMap(idle);
    first.keptFlags[11] = 1;
    ASSERT_EQ(writeMemdotMap(first), 0);
    ASSERT_EQ(writeMemdotMap(idle), 0);
    EXPECT_EQ(valueAt(readWholeFile(fileIn("Twilightomator memdot map 2")), 1 + 11), 1);
}

TEST_F(SettingsStoreTest, ValuesReadBackAreBroughtIntoTheirRanges) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    FilterParameters hostile = parameters_;
    hostile.settings.focus = INT32_MAX;
    hostile.settings.saturation = INT32_MIN;
    hostile.settings.glue = 4000;
    hostile.settings.shape = -7;
    hostile.settings.highQuality = -1;
    hostile.settings.uniformSepia = 77;
    hostile.settings.auxInt3 = INT32_MIN;  // no range: kept as it is
    ASSERT_EQ(saveCachedSettings(store, hostile, nullptr, kMemory), 0);
    ASSERT_EQ(storeMemoryDot(store, 3, hostile, nullptr, kMemory), 0);
    for (int pass = 0; pass < 2; ++pass) {
        initialiseParameters(parameters_);
        if (pass == 0) ASSERT_EQ(loadCachedSettings(store, parameters_, nullptr, kMemory), 0);
        else ASSERT_EQ(loadMemoryDot(store, 3, parameters_, nullptr, kMemory), 0);
        const UserSettings& s = parameters_.settings;
        EXPECT_EQ(s.focus, 100);
        EXPECT_EQ(s.saturation, -100);
        EXPECT_EQ(s.glue, 62);
        EXPECT_EQ(s.shape, 1);
        EXPECT_EQ(s.highQuality, 1);
        EXPECT_EQ(s.uniformSepia, 1);
        EXPECT_EQ(s.auxInt3, INT32_MIN);
        EXPECT_EQ(s.vignette, 57);  // in range: untouched
    }
}

TEST_F(SettingsStoreTest, ADamagedStoreFileIsSetAsideAndNotUsed) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    // Not a preset (a first value outside 1..255), then a preset cut short.
    const std::vector<std::vector<uint8_t>> damaged = {bigEndianValues({0x3C68746D, 1, 2}),
                                                       bigEndianValues({40, 1, 2, 3})};
    for (size_t i = 0; i < damaged.size(); ++i) {
        writeWholeFile(fileIn("Twilightomator cached settings C"), damaged[i]);
        parameters_.settings.focus = 12;
        char where[kMaxPathBytes] = {};
        EXPECT_EQ(loadCachedSettings(store, parameters_, nullptr, kMemory, &where), kStoreFileDamaged);
        EXPECT_EQ(parameters_.settings.focus, 12);
        EXPECT_EQ(std::string(where), fileIn("Twilightomator cached settings C"));
        EXPECT_FALSE(std::filesystem::exists(fileIn("Twilightomator cached settings C")));
        const std::string aside = i == 0 ? " (damaged)" : " (damaged 2)";  // the first is never replaced
        EXPECT_EQ(readWholeFile(fileIn("Twilightomator cached settings C" + aside)), damaged[i]);
    }
}

TEST_F(SettingsStoreTest, StoreFilesAreNeverReachedThroughALink) {
    SettingsStore store;
    ASSERT_TRUE(initialiseSettingsStore(store));
    const std::string target = folder_ + "/someone-elses-file";
    writeWholeFile(target, {'k', 'e', 'e', 'p'});
    std::filesystem::create_symlink(target, fileIn("Twilightomator cached settings C"));
    std::filesystem::create_symlink(target, fileIn("Twilightomator memdot map 2"));
    // Reading refuses the links; writing puts a whole new file in their place.
    char damaged[kMaxPathBytes] = {};
    EXPECT_EQ(loadCachedSettings(store, parameters_, nullptr, kMemory, &damaged), kPresetCannotOpen);
    EXPECT_EQ(readMemdotMap(store), kPresetCannotOpen);
    EXPECT_EQ(saveCachedSettings(store, parameters_, nullptr, kMemory), 0);
    store.keptFlags[1] = 1;
    EXPECT_EQ(writeMemdotMap(store), 0);
    EXPECT_EQ(readWholeFile(target), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    for (const char* name : {"Twilightomator cached settings C", "Twilightomator memdot map 2"})
        EXPECT_FALSE(std::filesystem::is_symlink(fileIn(name))) << name;
    EXPECT_EQ(readWholeFile(fileIn("Twilightomator memdot map 2")).size(), 104u);
}
