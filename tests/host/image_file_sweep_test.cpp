// Failure sweep of the host's image files: a PNG, a JPEG and a TIFF written
// over an older file and read back, with each allocation of the image
// library (libpng, libjpeg) and each file operation failing in turn. A write
// that fails says why and leaves the older file; one that succeeds wrote the
// whole file; a read that fails says why; no temporary file stays; and the
// next write and read give the clean run's bytes and pixels. libtiff takes
// its memory from one process-wide allocator with no hook, so only its file
// operations are swept.
#include "host/image_files.h"
#include "platform/fault_injection.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

Document patternDocument() {
    Document document;
    std::string error;
    EXPECT_TRUE(makeDocument(document, 40, 24, 3, false, SampleDepth::eight, error));
    for (size_t i = 0; i < document.samples.size(); ++i) document.samples[i] = uint8_t(i * 7 + i / 120 * 13);
    return document;
}

size_t entriesIn(const std::string& folder) {
    return size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(ImageFileSweep, EveryFailureOfAWriteOrAReadIsReportedAndHarmless) {
    setImageFileThreads(1);  // one order of allocations from run to run
    const Document document = patternDocument();
    for (const char* extension : {"png", "jpg", "tif"}) {
        SCOPED_TRACE(extension);
        const std::string folder = testCaseFolder("image-sweep", extension);
        const std::string path = folder + "/picture." + extension;
        auto write = [&](std::string& error) {
            ImageWriteReport report;
            return writeImageFile(path, document, 0, true, report, error);
        };
        auto read = [&](Document& into, std::string& error) {
            ImageFileInfo info;
            return readImageFile(path, into, info, error);
        };

        std::string error;
        setInjectedFailures(0, 0);
        ASSERT_TRUE(write(error)) << error;
        Document clean;
        ASSERT_TRUE(read(clean, error)) << error;
        const int64_t codecPoints = failurePointsCounted(FailurePoint::codecAllocation);
        const int64_t filePoints = failurePointsCounted(FailurePoint::fileOperation);
        const std::vector<uint8_t> whole = fileBytes(path);
        std::printf("%s write and read: %lld codec allocations, %lld file operations\n", extension,
                    static_cast<long long>(codecPoints), static_cast<long long>(filePoints));
        if (std::string(extension) != "tif") {
            EXPECT_GT(codecPoints, 4);
        }
        EXPECT_GE(filePoints, 4);  // create, write, sync, close, rename

        const std::vector<uint8_t> older = {'o', 'l', 'd'};
        for (const FailurePoint kind : {FailurePoint::codecAllocation, FailurePoint::fileOperation}) {
            const int64_t points = kind == FailurePoint::fileOperation ? filePoints : codecPoints;
            for (int64_t n = 1; n <= points; ++n) {
                SCOPED_TRACE((kind == FailurePoint::fileOperation ? "file operation " : "codec allocation ") +
                             std::to_string(n));
                saveBytes(path, older);
                int64_t failAt[kFailurePointKinds] = {};
                failAt[int(kind)] = n;
                setInjectedFailurePoints(failAt);
                std::string writeError, readError;
                const bool written = write(writeError);
                Document back;
                const bool readBack = written && read(back, readError);
                setInjectedFailures(0, 0);
                if (written) {
                    EXPECT_EQ(fileBytes(path), whole);
                    if (readBack) {
                        EXPECT_EQ(back.samples, clean.samples);
                    } else {
                        EXPECT_FALSE(readError.empty());
                    }
                } else {
                    EXPECT_FALSE(writeError.empty());
                    EXPECT_EQ(fileBytes(path), older);
                }
                EXPECT_EQ(entriesIn(folder), 1u);
                ASSERT_TRUE(write(error)) << error;
                ASSERT_TRUE(read(back, error)) << error;
                EXPECT_EQ(fileBytes(path), whole);
                EXPECT_EQ(back.samples, clean.samples);
            }
        }
    }
    setImageFileThreads(0);
}

}  // namespace
