// libFuzzer target: the layered document writer with random sizes, depths,
// settings, profiles and pixels. The document is read back by a strict walk
// of its own: every length field must match the bytes its section holds,
// every pad byte must be zero, and the file must end where the merged image
// ends.
#include "effect/tiled_image.h"
#include "export/psd_document.h"
#include "platform/memory_service.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// Reads the document front to back; any read past its end traps.
struct Walker {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;

    const uint8_t* take(size_t n) {
        check(n <= bytes.size() && at <= bytes.size() - n);
        const uint8_t* p = bytes.data() + at;
        at += n;
        return p;
    }
    uint32_t u16() {
        const uint8_t* p = take(2);
        return uint32_t(p[0]) << 8 | p[1];
    }
    uint32_t u32() { return u16() << 16 | u16(); }
    void text(const char* expected) { check(std::memcmp(take(std::strlen(expected)), expected, std::strlen(expected)) == 0); }
    void zeros(size_t n) {
        const uint8_t* p = take(n);
        for (size_t i = 0; i < n; ++i) check(p[i] == 0);
    }
};

// The layer information: one layer of four channels, each length field
// equal to the channel data that follows.
void walkLayerInfo(Walker& w, uint32_t width, uint32_t height, uint32_t bytesPerChannel) {
    const uint32_t length = w.u32();
    const size_t end = w.at + length;
    check(w.u16() == 1);
    check(w.u32() == 0 && w.u32() == 0 && w.u32() == height && w.u32() == width);
    check(w.u16() == 4);
    uint32_t channelBytes[4];
    for (uint32_t& bytes : channelBytes) {
        w.u16();
        bytes = w.u32();
        check(bytes == uint64_t(width) * height * bytesPerChannel + 2);
    }
    w.text("8BIM");
    w.text("norm");
    w.take(4);
    const uint32_t extra = w.u32();
    const size_t extraEnd = w.at + extra;
    check(w.u32() == 0);           // layer mask
    const uint32_t ranges = w.u32();  // blending ranges
    w.take(ranges);
    // The name: a length byte and the characters, zero-padded to 4 bytes.
    const size_t nameStart = w.at;
    const uint32_t nameLength = *w.take(1);
    w.take(nameLength);
    check(extraEnd - nameStart == (1 + nameLength + 3) / 4 * 4);
    w.zeros(extraEnd - w.at);
    for (uint32_t bytes : channelBytes) {
        check(w.u16() == 0);  // raw
        w.take(bytes - 2);
    }
    check(w.at == end);
}

// A tagged block "8BIM" + key + length, then its data padded to 4 bytes.
size_t taggedBlock(Walker& w, const char* key) {
    w.text("8BIM");
    w.text(key);
    return w.u32();
}

void walkDocument(const std::vector<uint8_t>& bytes, uint32_t width, uint32_t height, uint32_t b) {
    Walker w{bytes};
    w.text("8BPS");
    check(w.u16() == 1);
    w.zeros(6);
    check(w.u16() == (b == 2 ? 4u : 3u));
    check(w.u32() == height && w.u32() == width);
    check(w.u16() == 8 * b && w.u16() == 3);
    const uint32_t colourData = w.u32();
    check(colourData == (b == 4 ? 74u : 0u));
    w.take(colourData);

    const uint32_t resources = w.u32();
    const size_t resourcesEnd = w.at + resources;
    while (w.at < resourcesEnd) {
        w.text("8BIM");
        w.u16();
        check(w.u16() == 0);
        const uint32_t length = w.u32();
        w.take(length);
        if (length & 1) w.zeros(1);
    }
    check(w.at == resourcesEnd);

    const uint32_t section = w.u32();
    const size_t sectionEnd = w.at + section;
    if (b == 1) {
        walkLayerInfo(w, width, height, b);
        check(w.u32() == 0);
    } else {
        check(w.u32() == 0 && w.u32() == 0);
        check(taggedBlock(w, b == 2 ? "Mt16" : "Mt32") == 0);
        const size_t layers = taggedBlock(w, b == 2 ? "Lr16" : "Lr32");
        w.at -= 4;  // the block's length is the layer information's own
        const size_t start = w.at + 4;
        walkLayerInfo(w, width, height, b);
        check(w.at - start == layers);
        w.zeros((4 - layers % 4) % 4);
        if (b == 4) {
            const size_t mask = taggedBlock(w, "LMsk");
            w.take(mask);
            w.zeros((4 - mask % 4) % 4);
            check(taggedBlock(w, "Pat3") == 0);
        }
    }
    check(w.at == sectionEnd);

    check(w.u16() == 0);
    const uint64_t plane = uint64_t(width) * height * b;
    w.take(size_t(plane * (b == 2 ? 5 : 4)));
    check(w.at == bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    FuzzedDataProvider in(data, size);
    const int32_t b = in.PickValueInArray({1, 2, 4});
    const int32_t width = in.ConsumeIntegralInRange(1, 40), height = in.ConsumeIntegralInRange(1, 40);
    PsdDocumentInfo info;
    info.bytesPerChannel = b;
    info.vignette = in.ConsumeIntegral<int32_t>();
    info.sepia = in.ConsumeIntegral<int32_t>();
    info.glue = in.ConsumeIntegral<int32_t>();
    const UtcDate date{in.ConsumeIntegralInRange(1900, 2200), in.ConsumeIntegralInRange(1, 12), in.ConsumeIntegralInRange(1, 31)};
    info.date = &date;
    const std::vector<uint8_t> profile = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, 600));
    if (!profile.empty()) {
        info.iccProfile = profile.data();
        info.iccProfileBytes = profile.size();
    }
    Pyramid image;
    check(image.create(systemMemoryService(), width, height, psdStorageTypeFor(b), kEdgeClamp));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint32_t words[4];
            for (uint32_t& word : words) word = in.ConsumeIntegral<uint32_t>();
            if (b == 1) writePacked8(x, y, image, 0, words[0] & 255, words[1] & 255, words[2] & 255, words[3] & 255);
            else if (b == 2) writeRgba16(x, y, image, 0, words[0] % 32769, words[1] % 32769, words[2] % 32769, words[3] % 32769);
            else writeWords32(x, y, image, 0, words);
        }
    }
    MemorySink sink;
    check(writePsdDocument(image, info, sink) == kPsdWritten);
    walkDocument(sink.data, uint32_t(width), uint32_t(height), uint32_t(b));
    return 0;
}
