// The writers' stripes: rows deflated in stripes on several threads, joined
// into one zlib stream in a PNG file and written as strips of a TIFF file
// (16-bit strips are also decoded by libtiff itself, which must agree).
// Every thread count and stripe split must give a valid file whose pixels are
// the document's; the ordered stripe runner must write in order, stay within
// its memory window and stop on failure.
#include "host/image_files.h"
#include "host/image_formats.h"
#include "host/image_samples.h"
#include "host/image_stripes.h"
#include "host/test_profile.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <tiffio.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

uint32_t load32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// A document whose neighbouring samples differ by varied amounts (so that
// the row filter wraps around), with the extremes of the depth among them.
Document patterned(int32_t width, int32_t height, int32_t colors, bool alpha, SampleDepth depth) {
    Document document;
    std::string error;
    EXPECT_TRUE(makeDocument(document, width, height, colors, alpha, depth, error)) << error;
    const size_t count = size_t(width) * size_t(height) * size_t(document.planes());
    for (size_t i = 0; i < count; ++i) {
        const uint32_t v = uint32_t(i * 2654435761u >> 7);
        if (depth == SampleDepth::eight) {
            document.samples[i] = i % 11 == 0 ? 255 : i % 13 == 0 ? 0 : uint8_t(v);
        } else {
            const uint16_t h = i % 11 == 0 ? 32768 : i % 13 == 0 ? 0 : uint16_t(v % 32769);
            std::memcpy(&document.samples[2 * i], &h, 2);
        }
    }
    document.iccProfile = testProfile(colors == 1 ? "GRAY" : "RGB ", 40);
    return document;
}

bool writeStriped(const std::string& path, const Document& document, ImageWriteSpeed speed, std::string& error) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0) return false;
    ImageWriteReport report;
    const bool tiff = path.size() > 4 && path.substr(path.size() - 4) == ".tif";
    const bool ok = tiff ? writeTiffImage(descriptor, document, int(document.depth), speed, report, error)
                         : writePngImage(descriptor, document, int(document.depth), speed, report, error);
    ::close(descriptor);
    return ok;
}

// Checks the chunks around the image data by hand: signature, IHDR first,
// the profile before the data, the IDAT chunks together, IEND last; then
// inflates the data with zlib (which checks the stream's checksum) and
// checks its size and that every row uses the "sub" filter.
void checkChunks(const std::vector<uint8_t>& file, size_t rowBytes, int32_t height, const std::string& what) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    ASSERT_GE(file.size(), 8u) << what;
    ASSERT_EQ(std::memcmp(file.data(), kSignature, 8), 0) << what;
    std::vector<std::string> names;
    std::vector<uint8_t> data;
    for (size_t at = 8; at < file.size();) {
        ASSERT_LE(at + 12, file.size()) << what;
        const uint32_t length = load32(&file[at]);
        ASSERT_LE(at + 12 + length, file.size()) << what;
        const std::string name(reinterpret_cast<const char*>(&file[at + 4]), 4);
        const uLong crc = crc32(0, &file[at + 4], 4 + length);
        EXPECT_EQ(load32(&file[at + 8 + length]), crc) << what << " " << name;
        if (name == "IDAT") {
            data.insert(data.end(), file.begin() + long(at + 8), file.begin() + long(at + 8 + length));
            if (names.empty() || names.back() != "IDAT") names.push_back(name);
        } else {
            names.push_back(name);
            if (name == "IEND") {
                EXPECT_EQ(length, 0u) << what;
            }
        }
        at += 12 + length;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"IHDR", "iCCP", "IDAT", "IEND"})) << what;
    const size_t expected = (rowBytes + 1) * size_t(height);
    std::vector<uint8_t> rows(expected + 1);
    uLongf got = uLongf(rows.size());
    ASSERT_EQ(uncompress(rows.data(), &got, data.data(), uLong(data.size())), Z_OK) << what;
    ASSERT_EQ(got, expected) << what;
    for (int32_t y = 0; y < height; ++y) ASSERT_EQ(rows[size_t(y) * (rowBytes + 1)], 1) << what << " row " << y;
}

// A 16-bit TIFF file's rows as libtiff decodes them, next to the rows the
// document should have become.
void checkRowsThroughLibtiff(const std::string& path, const Document& document, const std::string& what) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr) << what;
    const size_t rowBytes = fileRowBytes(document, 16, document.hasAlpha);
    std::vector<uint8_t> decoded(rowBytes), expected(rowBytes);
    for (int32_t y = 0; y < document.height; ++y) {
        ASSERT_EQ(TIFFReadScanline(tiff, decoded.data(), uint32_t(y), 0), 1) << what << " row " << y;
        documentRowToFile(document, y, 16, document.hasAlpha, false, expected.data());
        ASSERT_TRUE(decoded == expected) << what << " row " << y;
    }
    TIFFClose(tiff);
}

TEST(StripedWriters, EveryThreadCountAndSplitKeepsThePixels) {
    const std::string folder = testCaseFolder("stripes", "layouts");
    struct Shape { int32_t width, height; };
    // Odd sizes, one row, and fewer rows than threads.
    const Shape shapes[] = {{37, 23}, {101, 1}, {13, 5}};
    struct Layout { int32_t colors; bool alpha; SampleDepth depth; };
    const Layout layouts[] = {{1, false, SampleDepth::eight},  {1, true, SampleDepth::eight},
                              {3, false, SampleDepth::eight},  {3, true, SampleDepth::eight},
                              {1, false, SampleDepth::sixteen}, {1, true, SampleDepth::sixteen},
                              {3, false, SampleDepth::sixteen}, {3, true, SampleDepth::sixteen}};
    for (const Shape& shape : shapes) {
        for (const Layout& layout : layouts) {
            const Document document = patterned(shape.width, shape.height, layout.colors, layout.alpha, layout.depth);
            const size_t rowBytes = document.rowBytes();  // 8-bit and host 16-bit rows are as long as the file's
            for (const int32_t stripeRows : {0, 1, 2, 4}) {
                for (const char* extension : {".png", ".tif"}) {
                    std::vector<uint8_t> firstFile;
                    for (const int32_t threads : {1, 2, 3, 7}) {
                        const std::string what = std::string(extension) + " " + std::to_string(shape.width) + "x" +
                                                 std::to_string(shape.height) + " planes " +
                                                 std::to_string(document.planes()) + " depth " +
                                                 std::to_string(int(layout.depth)) + " stripes of " +
                                                 std::to_string(stripeRows) + " threads " + std::to_string(threads);
                        const std::string path = folder + "/out" + extension;
                        std::string error;
                        ASSERT_TRUE(writeStriped(path, document, ImageWriteSpeed{threads, stripeRows}, error))
                            << what << error;
                        const std::vector<uint8_t> file = fileBytes(path);
                        if (extension[1] == 'p') checkChunks(file, rowBytes, shape.height, what);
                        else if (layout.depth == SampleDepth::sixteen) checkRowsThroughLibtiff(path, document, what);
                        // The same split gives the same bytes on any number of threads.
                        if (firstFile.empty()) {
                            firstFile = file;
                        } else {
                            EXPECT_TRUE(file == firstFile) << what;
                        }
                        Document back;
                        ImageFileInfo info;
                        ASSERT_TRUE(readImageFile(path, back, info, error)) << what << error;
                        EXPECT_TRUE(info.warnings.empty()) << what << info.warnings.front();
                        EXPECT_EQ(back.width, document.width);
                        EXPECT_EQ(back.height, document.height);
                        EXPECT_EQ(back.planes(), document.planes()) << what;
                        EXPECT_EQ(back.depth, document.depth) << what;
                        EXPECT_TRUE(back.samples == document.samples) << what;
                        EXPECT_EQ(back.iccProfile, document.iccProfile) << what;
                    }
                }
            }
        }
    }
}

TEST(StripedWriters, FailedWriteStopsEveryThread) {
    const int descriptor = ::open("/dev/full", O_WRONLY);
    if (descriptor < 0) GTEST_SKIP() << "no /dev/full";
    // Large enough that the image data does not fit the writer's own buffer.
    const Document document = patterned(301, 211, 3, true, SampleDepth::sixteen);
    for (const int32_t threads : {1, 3, 7}) {
        ImageWriteReport report;
        std::string error;
        EXPECT_FALSE(writePngImage(descriptor, document, 16, ImageWriteSpeed{threads, 3}, report, error));
        EXPECT_EQ(error, std::string("write failed: ") + std::strerror(ENOSPC)) << threads;
        error.clear();
        EXPECT_FALSE(writeTiffImage(descriptor, document, 16, ImageWriteSpeed{threads, 3}, report, error));
        EXPECT_FALSE(error.empty()) << threads;
    }
    ::close(descriptor);
}

// Records the order of the calls and how far production runs ahead of the
// writing; fails the production of one stripe when asked.
class RecordingStripes final : public StripeWork {
public:
    explicit RecordingStripes(int32_t failAt) : failAt_(failAt) {}
    bool produce(int32_t stripe, int32_t worker) override {
        const int32_t running = ++inFlight_;
        std::lock_guard<std::mutex> lock(mutex_);
        mostInFlight_ = std::max(mostInFlight_, running);
        workersSeen_ = std::max(workersSeen_, worker + 1);
        produced_.push_back(stripe);
        return stripe != failAt_;
    }
    bool consume(int32_t stripe) override {
        --inFlight_;
        consumed_.push_back(stripe);
        return true;
    }
    std::vector<int32_t> produced_, consumed_;
    int32_t mostInFlight_ = 0, workersSeen_ = 0;

private:
    const int32_t failAt_;
    std::atomic<int32_t> inFlight_{0};  // produced (or being produced) and not yet written
    std::mutex mutex_;
};

TEST(StripeRunner, WritesInOrderWithinTheWindowAndStopsOnFailure) {
    for (const int32_t threads : {1, 2, 3, 7}) {
        RecordingStripes work(-1);
        ASSERT_TRUE(runStripes(work, 50, threads));
        std::vector<int32_t> order(50);
        for (int32_t i = 0; i < 50; ++i) order[size_t(i)] = i;
        EXPECT_EQ(work.consumed_, order) << threads;
        std::sort(work.produced_.begin(), work.produced_.end());
        EXPECT_EQ(work.produced_, order) << threads;
        // Each worker runs at most two stripes ahead of the one being written.
        EXPECT_LE(work.mostInFlight_, 2 * threads) << threads;
        EXPECT_LE(work.workersSeen_, threads) << threads;
    }
    for (const int32_t threads : {1, 3}) {
        RecordingStripes work(17);
        EXPECT_FALSE(runStripes(work, 50, threads));
        // Nothing from the failed stripe on is written.
        ASSERT_FALSE(work.consumed_.empty());
        EXPECT_LT(work.consumed_.back(), 17) << threads;
        EXPECT_LE(work.produced_.size(), 17u + 2u * uint32_t(threads)) << threads;
    }
    EXPECT_EQ(stripeWorkers(3, 7), 3);
    EXPECT_EQ(stripeWorkers(1, 7), 1);
    EXPECT_EQ(stripeWorkers(10, 0), std::min(10, machineCores()));
}

}  // namespace
