// Failure sweep of a preset the user saves: with every allocation and every
// file operation of the save failing in turn, the save reports a failure and
// leaves the older file as it was, or it succeeds and the file is whole; no
// temporary file stays beside it, and the next save writes the same bytes.
#include "preset_test_support.h"

#include "platform/fault_injection.h"
#include "platform/memory_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(PresetSaveSweep, EveryFailureLeavesTheOlderFileOrAWholeOne) {
    const std::string folder = presetTestPath("save-sweep");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/evening.z5a";
    const PresetPicture picture = rampPicture();
    const UserSettings settings = defaultUserSettings();
    auto save = [&] {
        std::string error;
        return writeUserPreset(path.c_str(), settings, &picture, systemMemoryService(), error);
    };

    setInjectedFailures(0, 0);
    ASSERT_EQ(save(), 0);
    const std::vector<uint8_t> whole = readWholeFile(path);
    const int64_t allocations = allocationsCounted(), fileOperations = fileOperationsCounted();
    // The picture's JPEG buffer; the temporary file's open, the descriptor's
    // stream, 71 values and the picture block, its flush, sync, close and rename.
    EXPECT_GE(allocations, 1);
    EXPECT_GT(fileOperations, 71);

    const std::vector<uint8_t> older = {'o', 'l', 'd'};
    for (int kind = 0; kind < 2; ++kind) {
        for (int64_t n = 1; n <= (kind == 0 ? allocations : fileOperations); ++n) {
            SCOPED_TRACE((kind == 0 ? "allocation " : "file operation ") + std::to_string(n));
            writeWholeFile(path, older);
            setInjectedFailures(kind == 0 ? n : 0, kind == 1 ? n : 0);
            const int16_t result = save();
            setInjectedFailures(0, 0);
            const std::vector<uint8_t> now = readWholeFile(path);
            // A picture that cannot be made is no failure: the preset is saved without one.
            UserSettings read;
            if (result != 0) EXPECT_EQ(now, older);
            else if (kind == 1) EXPECT_EQ(now, whole);
            else EXPECT_EQ(readUserPreset(path.c_str(), read, nullptr, systemMemoryService()), 0);
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
            ASSERT_EQ(save(), 0);
            EXPECT_EQ(readWholeFile(path), whole);
        }
    }
}

}  // namespace
