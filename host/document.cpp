// Document shape and image mode.
#include "host/document.h"

#include "interface/host_interface.h"
#include "platform/huge_pages.h"
#include "platform/machine_memory.h"

#include <algorithm>

int16_t Document::imageMode() const {
    const bool rgb = colorChannels >= 3;
    switch (depth) {
        case SampleDepth::eight: return rgb ? plugInModeRGBColor : plugInModeGrayScale;
        case SampleDepth::sixteen: return rgb ? plugInModeRGB48 : plugInModeGray16;
        case SampleDepth::floating: return rgb ? plugInModeRGB96 : plugInModeGray32;
    }
    return plugInModeRGBColor;
}

FilterBounds filterBounds(const Document& document) {
    FilterBounds whole{0, 0, document.width, document.height};
    if (!document.hasSelection()) return whole;
    FilterBounds bounds{document.width, document.height, 0, 0};
    for (int32_t y = 0; y < document.height; ++y) {
        const uint8_t* row = document.selection.data() + size_t(y) * size_t(document.width);
        for (int32_t x = 0; x < document.width; ++x) {
            if (row[x] == 0) continue;
            bounds.left = std::min(bounds.left, x);
            bounds.right = std::max(bounds.right, x + 1);
            bounds.top = std::min(bounds.top, y);
            bounds.bottom = std::max(bounds.bottom, y + 1);
        }
    }
    return bounds.right > bounds.left ? bounds : whole;
}

namespace {
uint64_t gDocumentMemoryLimit = 0;
}  // namespace

void setDocumentMemoryLimit(uint64_t bytes) { gDocumentMemoryLimit = bytes; }

bool documentFitsMemory(int64_t sampleBytes, int32_t width, int32_t height, std::string& error) {
    const uint64_t machine = gDocumentMemoryLimit != 0 ? gDocumentMemoryLimit * 2 : physicalMemoryBytes();
    if (machine == 0 || uint64_t(sampleBytes) <= machine / 2) return true;
    auto megabytes = [](uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; };
    error = "the image is " + std::to_string(width) + " x " + std::to_string(height) + " pixels and needs " +
            megabytes(uint64_t(sampleBytes)) + " of memory, too much for this machine (" + megabytes(machine) +
            "; the filter needs as much again)";
    return false;
}

namespace {
// Advises a vector's storage from the 2 MB boundary at or below its start:
// a large block begins just after the allocator's header in a mapping of its
// own, so the first huge page is mostly the block's, and left unadvised it
// would fault in 4 KB at a time. The advice changes no byte.
void adviseStorage(std::vector<uint8_t>& storage) {
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const auto start = reinterpret_cast<uintptr_t>(storage.data());
    const uintptr_t pageStart = start & ~(kHugePage - 1);
    if (storage.capacity() >= 2 * kHugePage)
        adviseHugePages(reinterpret_cast<void*>(pageStart), storage.capacity() + (start - pageStart));
    else
        adviseHugePages(storage.data(), storage.capacity());
}
}  // namespace

bool makeDocument(Document& document, int32_t width, int32_t height, int32_t colorChannels,
                  bool hasAlpha, SampleDepth depth, std::string& error) {
    if (!startDocument(document, width, height, colorChannels, hasAlpha, depth, error)) return false;
    const size_t bytes = size_t(height) * document.rowBytes();
    document.samples.reserve(bytes);
    adviseStorage(document.samples);
    document.samples.assign(bytes, 0);
    return true;
}


void growDocumentRows(Document& document, int32_t rows) {
    const size_t needed = size_t(rows) * document.rowBytes();
    if (document.samples.size() >= needed) return;
    if (document.samples.capacity() < needed) {
        const size_t whole = size_t(document.height) * document.rowBytes();
        // The new room is advised before the rows already read move into
        // it, so that the move itself lands on huge pages.
        std::vector<uint8_t> room;
        room.reserve(std::min(whole, std::max(needed, document.samples.capacity() * 2)));
        adviseStorage(room);
        room.assign(document.samples.begin(), document.samples.end());
        document.samples.swap(room);
    }
    document.samples.resize(needed, 0);
}

bool startDocument(Document& document, int32_t width, int32_t height, int32_t colorChannels,
                   bool hasAlpha, SampleDepth depth, std::string& error) {
    // The host interface carries coordinates as 16-bit values.
    if (width < 1 || height < 1 || width > 30000 || height > 30000) {
        error = "image size " + std::to_string(width) + " x " + std::to_string(height) +
                " is outside 1..30000 pixels per side";
        return false;
    }
    if (colorChannels != 1 && colorChannels != 3) {
        error = "only grey and RGB images are supported";
        return false;
    }
    document = Document{};
    document.width = width;
    document.height = height;
    document.colorChannels = colorChannels;
    document.hasAlpha = hasAlpha;
    document.depth = depth;
    return documentFitsMemory(int64_t(height) * int64_t(document.rowBytes()), width, height, error);
}
