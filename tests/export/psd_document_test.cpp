// The layered document, read back by an independent walk over its sections:
// sizes, resource order and padding, the three layer layouts, the merged
// planes over the checkerboard. Expected values are worked out by hand.
#include "effect/tiled_image.h"
#include "export/psd_document.h"
#include "export/psd_sections.h"
#include "export/user_file.h"
#include "platform/memory_service.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Reader {
    const std::vector<uint8_t>& d;
    size_t at = 0;
    uint32_t u8() { return d.at(at++); }
    uint32_t u16() { return (u8() << 8) | u8(); }
    uint32_t u32() { return (u16() << 16) | u16(); }
    float f32() {
        const uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    std::string text(size_t n) {
        std::string s(reinterpret_cast<const char*>(&d.at(at)), n);
        at += n;
        return s;
    }
};

struct Resource {
    uint32_t number, length;
    size_t offset;  // of its "8BIM"
    std::vector<uint8_t> data;
};

struct Walk {
    uint32_t channels = 0, height = 0, width = 0, depth = 0, mode = 0;
    std::vector<uint8_t> colourModeData;
    std::vector<Resource> resources;
    size_t layerSectionOffset = 0;  // of its length field
    uint32_t layerSectionLength = 0;
    size_t mergedOffset = 0;  // of the compression code
};

Walk walk(const std::vector<uint8_t>& bytes) {
    Walk w;
    Reader r{bytes};
    EXPECT_EQ(r.text(4), "8BPS");
    EXPECT_EQ(r.u16(), 1u);
    r.at += 6;
    w.channels = r.u16();
    w.height = r.u32();
    w.width = r.u32();
    w.depth = r.u16();
    w.mode = r.u16();
    const uint32_t colourBytes = r.u32();
    w.colourModeData.assign(bytes.begin() + long(r.at), bytes.begin() + long(r.at + colourBytes));
    r.at += colourBytes;
    const uint32_t resourceBytes = r.u32();
    const size_t end = r.at + resourceBytes;
    while (r.at < end) {
        Resource res;
        res.offset = r.at;
        EXPECT_EQ(r.text(4), "8BIM");
        res.number = r.u16();
        EXPECT_EQ(r.u16(), 0u);
        res.length = r.u32();
        res.data.assign(bytes.begin() + long(r.at), bytes.begin() + long(r.at + res.length));
        r.at += res.length + (res.length & 1);
        w.resources.push_back(res);
    }
    EXPECT_EQ(r.at, end);
    w.layerSectionOffset = r.at;
    w.layerSectionLength = r.u32();
    w.mergedOffset = r.at + w.layerSectionLength;
    return w;
}

std::vector<uint32_t> numbers(const Walk& w) {
    std::vector<uint32_t> out;
    for (const Resource& r : w.resources) out.push_back(r.number);
    return out;
}

const UtcDate kDate{2026, 3, 9};

PsdDocumentInfo infoFor(int32_t bytes) {
    PsdDocumentInfo info;
    info.bytesPerChannel = bytes;
    info.date = &kDate;
    return info;
}

struct Image {
    Pyramid p;
    Image(int w, int h, int type) { EXPECT_TRUE(p.create(systemMemoryService(), w, h, type, kEdgeClamp)); }
};

std::vector<uint8_t> written(const Pyramid& image, const PsdDocumentInfo& info) {
    MemorySink sink;
    EXPECT_EQ(writePsdDocument(image, info, sink), kPsdWritten);
    return sink.data;
}

TEST(PsdDocument, EightBitThreeByThreeHasTheHandCountedLayout) {
    Image image(3, 3, kStoragePacked8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) writePacked8(x, y, image.p, 0, 10 * x, 20 * y, 7, 255);
    const std::vector<uint8_t> bytes = written(image.p, infoFor(1));
    const Walk w = walk(bytes);
    EXPECT_EQ(w.channels, 3u);
    EXPECT_EQ(w.width, 3u);
    EXPECT_EQ(w.height, 3u);
    EXPECT_EQ(w.depth, 8u);
    EXPECT_EQ(w.mode, 3u);
    EXPECT_TRUE(w.colourModeData.empty());
    EXPECT_EQ(numbers(w), (std::vector<uint32_t>{1001, 1005, 1011, 1016, 1035, 1028, 1058, 1024, 1026}));
    // Layer info: count 2 + record 114 + 4 channels of (2 + 9) = 160;
    // section: its length field, the block, the empty global mask = 168.
    EXPECT_EQ(w.layerSectionLength, 168u);
    // Header 26, colour data 4, resources 4 + 548, layer section 4 + 168,
    // merged 2 + 4 planes of 9.
    EXPECT_EQ(bytes.size(), 792u);
    EXPECT_EQ(w.mergedOffset, 792u - 38u);
    // Merged red plane (opaque pixels: the channel itself), then the opaque
    // transparency plane.
    Reader r{bytes, w.mergedOffset};
    EXPECT_EQ(r.u16(), 0u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(r.u8(), uint32_t(10 * (i % 3)));
    r.at += 18;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(r.u8(), 255u);
}

TEST(PsdDocument, ResourcesArePaddedToEvenOffsets) {
    Image image(2, 2, kStoragePacked8);
    const Walk w = walk(written(image.p, infoFor(1)));
    for (const Resource& r : w.resources) EXPECT_EQ(r.offset % 2, 0u) << r.number;
    ASSERT_EQ(w.resources.size(), 9u);
    const Resource& exif = w.resources[6];
    EXPECT_EQ(exif.number, 1058u);
    EXPECT_EQ(exif.length, 41u);
    // 12 header bytes, 41 data bytes, one pad byte: the next block follows at +54.
    EXPECT_EQ(w.resources[7].offset, exif.offset + 54);
    EXPECT_EQ(std::string(exif.data.begin(), exif.data.begin() + 2), "MM");
    EXPECT_EQ(w.resources[0].length, 120u);  // print record
    EXPECT_EQ(w.resources[0].data[13], uint8_t(743 & 0xFF));
    EXPECT_EQ(w.resources[0].data[16], 0xFF);  // -9
    const std::vector<uint8_t> resolution{0, 72, 0, 0, 0, 1, 0, 1, 0, 72, 0, 0, 0, 1, 0, 1};
    EXPECT_EQ(w.resources[1].data, resolution);
    EXPECT_EQ(w.resources[2].data, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(w.resources[3].length, 112u);
    // Each transfer curve: 0, eleven -1s, 1000, override 0.
    EXPECT_EQ(w.resources[3].data[2], 0xFF);
    EXPECT_EQ(w.resources[3].data[24], 1000 >> 8);
    EXPECT_EQ(w.resources[3].data[25], 1000 & 0xFF);
    EXPECT_EQ(w.resources[7].data, (std::vector<uint8_t>{0, 1}));
    EXPECT_EQ(w.resources[8].data, (std::vector<uint8_t>{0, 0}));
    // Resource 1028 is the IPTC block itself: its data are the datasets,
    // starting with the record version 2 (1C 02 00, length 2, 00 02), not a
    // second "8BIM" header.
    EXPECT_EQ(w.resources[5].number, 1028u);
    EXPECT_EQ(w.resources[5].length % 2, 0u);
    EXPECT_EQ(std::vector<uint8_t>(w.resources[5].data.begin(), w.resources[5].data.begin() + 7),
              (std::vector<uint8_t>{0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02}));
}

TEST(PsdDocument, IccProfileIsStoredOnlyWhenGiven) {
    Image image(1, 1, kStoragePacked8);
    const uint8_t profile[5] = {1, 2, 3, 4, 5};
    PsdDocumentInfo info = infoFor(1);
    info.iccProfile = profile;
    info.iccProfileBytes = 5;
    const Walk w = walk(written(image.p, info));
    EXPECT_EQ(numbers(w), (std::vector<uint32_t>{1001, 1005, 1011, 1016, 1035, 1039, 1028, 1058, 1024, 1026}));
    EXPECT_EQ(w.resources[5].data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST(PsdDocument, TransparentPixelsShowTheCheckerboardInTheMergedImage) {
    // 16 x 1: all transparent except x = 1, half-covered red 100.
    Image image(16, 1, kStoragePacked8);
    for (int x = 0; x < 16; ++x) writePacked8(x, 0, image.p, 0, 10, 20, 30, 0);
    writePacked8(1, 0, image.p, 0, 100, 0, 0, 128);
    const std::vector<uint8_t> bytes = written(image.p, infoFor(1));
    const Walk w = walk(bytes);
    Reader r{bytes, w.mergedOffset + 2};
    std::vector<uint32_t> red, green, blue, alpha;
    for (int x = 0; x < 16; ++x) red.push_back(r.u8());
    for (int x = 0; x < 16; ++x) green.push_back(r.u8());
    for (int x = 0; x < 16; ++x) blue.push_back(r.u8());
    for (int x = 0; x < 16; ++x) alpha.push_back(r.u8());
    EXPECT_EQ(red[0], 255u);
    EXPECT_EQ(green[0], 255u);
    EXPECT_EQ(blue[0], 255u);
    EXPECT_EQ(red[8], 204u);
    EXPECT_EQ(blue[15], 204u);
    // (255 x 127 + 100 x 128) / 255 = 45185 / 255 = 177; transparency with
    // C = A: (255 x 127 + 128 x 128) / 255 = 48769 / 255 = 191.
    EXPECT_EQ(red[1], 177u);
    EXPECT_EQ(alpha[1], 191u);
    EXPECT_EQ(alpha[0], 255u);
    EXPECT_EQ(alpha[9], 204u);
    EXPECT_EQ(r.at, bytes.size());
    // The layer keeps the pixel itself: its transparency plane comes first.
    const size_t layerData = w.layerSectionOffset + 4 + 4 + 2 + 114;
    Reader l{bytes, layerData};
    EXPECT_EQ(l.u16(), 0u);
    EXPECT_EQ(l.u8(), 0u);
    EXPECT_EQ(l.u8(), 128u);
}

// Rows are read tile by tile: pixels on both sides of the 512-pixel tile
// edge land at their places in the layer's planes and the merged image.
TEST(PsdDocument, RowsThatCrossATileEdgeKeepEveryPixelInPlace) {
    const int w = 515, h = 2;
    JobWorkers workers;
    workers.start(3);
    for (const int32_t depth : {1, 2}) {
        Image image(w, h, depth == 1 ? kStoragePacked8 : kStorageRgba16);
        if (depth == 1) {
            writePacked8(511, 1, image.p, 0, 200, 100, 50, 128);
            writePacked8(512, 1, image.p, 0, 10, 20, 30, 255);
        } else {
            writeRgba16(511, 1, image.p, 0, 20000, 32768, 40000, 16384);
            writeRgba16(512, 1, image.p, 0, 1, 2, 3, 32768);
        }
        MemorySink shared;
        ASSERT_EQ(writePsdDocument(image.p, infoFor(depth), shared, nullptr, &workers), kPsdWritten);
        const std::vector<uint8_t>& bytes = shared.data;
        EXPECT_TRUE(bytes == written(image.p, infoFor(depth))) << depth;
        const Walk walked = walk(bytes);
        const size_t layerData =
            depth == 1 ? walked.layerSectionOffset + 4 + 4 + 2 + 114
                       : std::string(bytes.begin(), bytes.end()).find("8BIMLr16") + 8 + 4 + 2 + 114;
        const size_t planeBytes = size_t(w) * h * size_t(depth);
        auto sample = [&](size_t at) {
            Reader r{bytes, at};
            return depth == 1 ? r.u8() : r.u16();
        };
        // Layer plane k (transparency, red, green, blue) after its compression code.
        auto layer = [&](int k, int x, int y) {
            return sample(layerData + size_t(k) * (2 + planeBytes) + 2 + (size_t(y) * w + size_t(x)) * size_t(depth));
        };
        auto merged = [&](int k, int x, int y) {
            return sample(walked.mergedOffset + 2 + size_t(k) * planeBytes + (size_t(y) * w + size_t(x)) * size_t(depth));
        };
        if (depth == 1) {
            EXPECT_EQ(layer(0, 511, 1), 128u);
            EXPECT_EQ(layer(1, 511, 1), 200u);
            EXPECT_EQ(layer(0, 512, 1), 255u);
            EXPECT_EQ(layer(3, 512, 1), 30u);
            // 511 ^ 1 = 510 has bit 3 set, shade 204: red (204 x 127 + 200 x
            // 128) / 255 = 51508 / 255 = 201; transparency (204 x 127 + 128 x
            // 128) / 255 = 42292 / 255 = 165.
            EXPECT_EQ(merged(0, 511, 1), 201u);
            EXPECT_EQ(merged(3, 511, 1), 165u);
            EXPECT_EQ(merged(0, 512, 1), 10u);   // opaque: the pixel itself
            EXPECT_EQ(merged(2, 508, 0), 204u);  // 508: bit 3 set
            EXPECT_EQ(merged(2, 514, 0), 255u);  // 514: bit 3 clear
        } else {
            EXPECT_EQ(layer(0, 511, 1), 32768u);  // 2 x 16384
            EXPECT_EQ(layer(1, 511, 1), 40000u);
            EXPECT_EQ(layer(3, 511, 1), 65535u);  // 40000 counts as full
            EXPECT_EQ(layer(1, 512, 1), 2u);
            // Shade 26112: red (26112 x 16384 + 20000 x 16384) >> 15 = 23056,
            // written 46112; blue with 32768: 29440, written 58880.
            EXPECT_EQ(merged(0, 511, 1), 46112u);
            EXPECT_EQ(merged(2, 511, 1), 58880u);
            EXPECT_EQ(merged(0, 512, 1), 2u);
            EXPECT_EQ(merged(1, 508, 0), 52224u);  // 2 x 26112
            EXPECT_EQ(merged(1, 514, 0), 65280u);  // 2 x 32640
            EXPECT_EQ(merged(3, 511, 1), 65535u);
            EXPECT_EQ(merged(4, 514, 1), 65535u);  // the fifth plane
        }
    }
}

TEST(PsdDocument, SixteenBitUsesLr16AndScalesToTheFileRange) {
    Image image(2, 1, kStorageRgba16);
    writeRgba16(0, 0, image.p, 0, 32768, 12345, 0, 32768);
    writeRgba16(1, 0, image.p, 0, 32768, 0, 0, 16384);
    const std::vector<uint8_t> bytes = written(image.p, infoFor(2));
    const Walk w = walk(bytes);
    EXPECT_EQ(w.channels, 4u);
    EXPECT_EQ(w.depth, 16u);
    EXPECT_EQ(numbers(w), (std::vector<uint32_t>{1001, 1005, 1011, 1016, 1035, 1028, 1058, 1024, 1026}));
    Reader r{bytes, w.layerSectionOffset + 4};
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_EQ(r.text(8), "8BIMMt16");
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_EQ(r.text(8), "8BIMLr16");
    // count 2 + record 114 + 4 x (2 + 4) = 140, a multiple of 4.
    EXPECT_EQ(r.u32(), 140u);
    EXPECT_EQ(w.layerSectionLength, 4u + 4 + 12 + 12 + 140);
    EXPECT_EQ(r.u16(), 1u);
    r.at += 16 + 2 + 24 + 8 + 2;
    EXPECT_EQ(r.u8(), 40u);  // flags
    r.at += 1 + 4 + 4 + 44 + 8;
    EXPECT_EQ(r.u16(), 0u);  // transparency channel
    EXPECT_EQ(r.u16(), 65535u);
    EXPECT_EQ(r.u16(), 32768u);
    EXPECT_EQ(r.u16(), 0u);  // red
    EXPECT_EQ(r.u16(), 65535u);
    EXPECT_EQ(r.u16(), 65535u);
    EXPECT_EQ(r.u16(), 0u);  // green: 2 x 12345
    EXPECT_EQ(r.u16(), 24690u);
    // Merged: red at x = 1 is (32640 x 16384 + 32768 x 16384) >> 15 =
    // 32704, written as 65408; transparency 65535; a fifth plane of 65535.
    Reader m{bytes, w.mergedOffset};
    EXPECT_EQ(m.u16(), 0u);
    EXPECT_EQ(m.u16(), 65535u);
    EXPECT_EQ(m.u16(), 65408u);
    m.at += 8;
    EXPECT_EQ(m.u16(), 65535u);
    EXPECT_EQ(m.u16(), 65535u);
    EXPECT_EQ(m.u16(), 65535u);
    EXPECT_EQ(m.u16(), 65535u);
    EXPECT_EQ(m.at, bytes.size());
}

TEST(PsdDocument, ThirtyTwoBitCarriesTheHdrBlocksAndKeywords) {
    Image image(2, 2, kStorageFloat4);
    writeFloat4(1, 0, image.p, 0, 0.25f, 2.5f, 0.0f, 0.5f);
    PsdDocumentInfo info = infoFor(4);
    info.vignette = 30;
    info.sepia = 0;
    info.glue = 1;
    const std::vector<uint8_t> bytes = written(image.p, info);
    const Walk w = walk(bytes);
    EXPECT_EQ(w.channels, 3u);
    EXPECT_EQ(w.depth, 32u);
    ASSERT_EQ(w.colourModeData.size(), 74u);
    EXPECT_EQ(std::string(w.colourModeData.begin(), w.colourModeData.begin() + 4), "hdrt");
    EXPECT_EQ(w.colourModeData[21], 'D');  // word 11 of 37, counted from 1
    EXPECT_EQ(numbers(w), (std::vector<uint32_t>{1001, 1005, 1011, 1016, 1035, 1028, 1058, 1069, 1072, 1024, 1026}));
    EXPECT_EQ(w.resources[7].data, (std::vector<uint8_t>{0, 1, 0, 0, 0, 12}));
    EXPECT_EQ(w.resources[8].data, (std::vector<uint8_t>{1}));
    const std::string iptc(w.resources[5].data.begin(), w.resources[5].data.end());
    EXPECT_NE(iptc.find(std::string("\x1c\x02\x19\x00\x03HDR", 8)), std::string::npos);
    EXPECT_NE(iptc.find(std::string("\x1c\x02\x19\x00\x12high dynamic range", 23)), std::string::npos);
    EXPECT_NE(iptc.find("vignette"), std::string::npos);
    EXPECT_EQ(iptc.find("sepia"), std::string::npos);

    Reader r{bytes, w.layerSectionOffset + 4 + 8 + 12};
    EXPECT_EQ(r.text(8), "8BIMLr32");
    // count 2 + record 114 + 4 x (2 + 16) = 188.
    EXPECT_EQ(r.u32(), 188u);
    r.at += 2 + 16 + 2 + 24 + 8 + 2;
    EXPECT_EQ(r.u8(), 8u);  // flags
    r.at += 1 + 4 + 4 + 44 + 8;
    EXPECT_EQ(r.u16(), 0u);
    r.at += 4;
    EXPECT_EQ(r.f32(), 0.5f);  // transparency of (1, 0)
    r.at += 8 + 2 + 4;
    EXPECT_EQ(r.f32(), 0.25f);  // red of (1, 0)
    r.at += 8 + 2 + 4;
    EXPECT_EQ(r.f32(), 2.5f);  // green of (1, 0), above 1 as it was
    r.at += 8 + 2 + 16;
    EXPECT_EQ(r.text(8), "8BIMLMsk");
    EXPECT_EQ(r.u32(), 14u);
    r.at += 16;
    EXPECT_EQ(r.text(8), "8BIMPat3");
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_EQ(r.at, w.mergedOffset);
    EXPECT_EQ(w.layerSectionLength, 4u + 4 + 12 + 12 + 188 + 28 + 12);
    // Merged: floats straight from the image, four planes of four.
    Reader m{bytes, w.mergedOffset + 2};
    m.at += 4;
    EXPECT_EQ(m.f32(), 0.25f);
    EXPECT_EQ(bytes.size(), w.mergedOffset + 2 + 4 * 16);
}

// A sink that takes `room` bytes and then fails.
class ShortSink : public ByteSink {
public:
    explicit ShortSink(size_t room) : room_(room) {}
    void write(const void*, size_t count) override {
        if (count > room_) failed_ = true;
        else room_ -= count;
        position_ += count;
    }
    bool failed() const override { return failed_; }
    uint64_t position() const override { return position_; }
    void skip(size_t count) override { position_ += count; }
    void writeAt(uint64_t, const void*, size_t count) override {
        if (count > room_) failed_ = true;
        else room_ -= count;
    }

private:
    size_t room_;
    uint64_t position_ = 0;
    bool failed_ = false;
};

TEST(PsdDocument, AFailedWriteIsReportedAndMismatchedImagesRefused) {
    Image image(20, 20, kStoragePacked8);
    ShortSink sink(1000);
    EXPECT_EQ(writePsdDocument(image.p, infoFor(1), sink), kPsdWriteFailed);
    MemorySink memory;
    EXPECT_EQ(writePsdDocument(image.p, infoFor(2), memory), kPsdBadImage);
    EXPECT_TRUE(memory.data.empty());
    struct StopAtThird final : JobProgress {
        int calls = 0;
        bool report(int64_t, int64_t) override { return ++calls < 3; }
        bool stopRequested() override { return calls >= 3; }
    } stop;
    EXPECT_EQ(writePsdDocument(image.p, infoFor(1), memory, &stop), kPsdCancelled);
    EXPECT_EQ(stop.calls, 3);
}

}  // namespace

// The export's way: the frame first, then bands of rows taken from band
// images (their row 0 a later document row), the last band first, each
// written at its places in the user's file. Bands of 37 rows end off the
// encoder's own bands and the rows cross the tile edge at x = 512: the file
// must be the whole-image writer's byte for byte at every depth.
TEST(PsdDocument, BandsWrittenOutOfOrderIntoTheFileGiveTheWholeDocument) {
    const int w = 517, h = 150;
    constexpr int kBand = 37;
    const std::string folder = testTemporaryFolder() + "/psd-bands";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    struct Depth { int32_t bytes; int type; };
    for (const Depth d : {Depth{1, kStoragePacked8}, Depth{2, kStorageRgba16}, Depth{4, kStorageFloat4}}) {
        Image image(w, h, d.type), band(w, kBand, d.type);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t alpha = uint32_t(x * 37 + y * 11) % 256;
                writeWords32(x, y, image.p, 0, {uint32_t(x * 40503 + y), uint32_t(y * 219 + x * 7), alpha * 129, alpha});
                if (d.bytes == 2) writeRgba16(x, y, image.p, 0, (x * 2521) % 32769, (y * 219) % 32769, 40000, alpha * 128);
                if (d.bytes == 1) writePacked8(x, y, image.p, 0, (x * 19) % 256, (y * 7) % 256, (x ^ y) % 256, alpha);
            }
        const std::vector<uint8_t> whole = written(image.p, infoFor(d.bytes));
        const std::string path = folder + "/bands.psd";
        UserFile file;
        ASSERT_TRUE(file.open(path.c_str())) << file.error();
        PsdPlacement placement;
        ASSERT_EQ(writePsdFrame(infoFor(d.bytes), w, h, file, placement), kPsdWritten);
        PsdRowWriter rows(placement);
        for (int first = (h - 1) / kBand * kBand; first >= 0; first -= kBand) {
            const int count = std::min(kBand, h - first);
            copyLevelRows(image.p, band.p, first, count);
            ASSERT_TRUE(rows.write(band.p, first, first, count, file));
        }
        ASSERT_TRUE(file.commit()) << file.error();
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_TRUE(bytes == whole) << d.bytes << " bytes per channel";
    }
}

// The rows are encoded on worker threads in bands while the band before is
// written: the file must be the same byte for byte on one thread and on
// several, at every depth, for a size that leaves a short last band, odd
// rows and rows across a tile edge.
TEST(PsdDocument, WorkerThreadsWriteTheSameBytes) {
    const int w = 517, h = 150;
    struct Depth { int32_t bytes; int type; };
    for (const Depth d : {Depth{1, kStoragePacked8}, Depth{2, kStorageRgba16}, Depth{4, kStorageFloat4}}) {
        Image image(w, h, d.type);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int alpha = (x * 37 + y * 11) % 256;
                if (d.bytes == 1) writePacked8(x, y, image.p, 0, (x * 19) % 256, (y * 7) % 256, (x ^ y) % 256, alpha);
                else if (d.bytes == 2)
                    writeRgba16(x, y, image.p, 0, (x * 2521) % 32769, (y * 219) % 32769, (x * y * 31) % 32769,
                                alpha * 128);
                else writeFloat4(x, y, image.p, 0, float(x) / 7.0f, float(y) / 150.0f, 1.5f, float(alpha) / 255.0f);
            }
        MemorySink alone, shared;
        EXPECT_EQ(writePsdDocument(image.p, infoFor(d.bytes), alone), kPsdWritten);
        JobWorkers workers;
        workers.start(3);
        EXPECT_EQ(writePsdDocument(image.p, infoFor(d.bytes), shared, nullptr, &workers), kPsdWritten);
        EXPECT_TRUE(alone.data == shared.data) << d.bytes << " bytes per channel";
        // Every row of every plane was written: the merged image ends the file.
        const Walk walked = walk(alone.data);
        const size_t planes = d.bytes == 2 ? 5 : 4;
        EXPECT_EQ(alone.data.size(), walked.mergedOffset + 2 + planes * size_t(w) * h * size_t(d.bytes));
        if (d.bytes == 4) {
            // A float document's merged green plane holds the samples as
            // they are: row 140 (in the last band) is 140 / 150, big-endian.
            const float expected = 140.0f / 150.0f;
            uint32_t bits;
            std::memcpy(&bits, &expected, 4);
            const size_t at = walked.mergedOffset + 2 + (size_t(w) * h + size_t(140) * w + 5) * 4;
            EXPECT_EQ(uint32_t(alone.data[at]) << 24 | uint32_t(alone.data[at + 1]) << 16 |
                          uint32_t(alone.data[at + 2]) << 8 | alone.data[at + 3],
                      bits);
        }
    }
}
