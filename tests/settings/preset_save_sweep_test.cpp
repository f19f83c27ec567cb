// Failure sweep of a preset the user saves: with every allocation (through
// the memory service, on the heap, in libjpeg) and every file operation of
// the save failing in turn, the save reports a failure and
// leaves the older file as it was, or it succeeds and the file is whole; no
// temporary file stays beside it, and the next save writes the same bytes.
#include "preset_test_support.h"

#include "platform/fault_injection.h"
#include "platform/memory_service.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <new>
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
    int64_t points[kFailurePointKinds];
    for (int kind = 0; kind < kFailurePointKinds; ++kind) points[kind] = failurePointsCounted(FailurePoint(kind));
    // The picture's JPEG buffer; the temporary file's open, the descriptor's
    // stream, 71 values and the picture block, its flush, sync, close and
    // rename; libjpeg's pools and tables for the picture.
    EXPECT_GE(points[int(FailurePoint::allocation)], 1);
    EXPECT_GT(points[int(FailurePoint::fileOperation)], 71);
    EXPECT_GT(points[int(FailurePoint::codecAllocation)], 10);
    EXPECT_GE(points[int(FailurePoint::heapAllocation)], 1);
    std::printf("preset save: %lld allocations, %lld heap allocations, %lld codec allocations, %lld file operations\n",
                static_cast<long long>(points[0]), static_cast<long long>(points[1]), static_cast<long long>(points[2]),
                static_cast<long long>(points[3]));

    const std::vector<uint8_t> older = {'o', 'l', 'd'};
    for (int kind = 0; kind < kFailurePointKinds; ++kind) {
        for (int64_t n = 1; n <= points[kind]; ++n) {
            SCOPED_TRACE("kind " + std::to_string(kind) + ", point " + std::to_string(n));
            writeWholeFile(path, older);
            int64_t failAt[kFailurePointKinds] = {};
            failAt[kind] = n;
            setInjectedFailurePoints(failAt);
            int16_t result = 0;
            try {
                result = save();
            } catch (const std::bad_alloc&) {
                result = -108;  // what the plug-in's boundary makes of it
            }
            setInjectedFailures(0, 0);
            const std::vector<uint8_t> now = readWholeFile(path);
            // A picture that cannot be made is no failure: the preset is saved without one.
            UserSettings read;
            if (result != 0) EXPECT_EQ(now, older);
            else if (kind == int(FailurePoint::fileOperation)) EXPECT_EQ(now, whole);
            else EXPECT_EQ(readUserPreset(path.c_str(), read, nullptr, systemMemoryService()), 0);
            EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
            ASSERT_EQ(save(), 0);
            EXPECT_EQ(readWholeFile(path), whole);
        }
    }
}

}  // namespace
