// The host's image document: grey or RGB samples at 8 bits, 16 bits (on the
// host's 0..32768 scale) or 32-bit float, with optional transparency plane,
// selection mask and ICC profile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class SampleDepth { eight = 8, sixteen = 16, floating = 32 };

inline int sampleBytes(SampleDepth depth) {
    return depth == SampleDepth::eight ? 1 : depth == SampleDepth::sixteen ? 2 : 4;
}

struct Document {
    int32_t width = 0, height = 0;
    int32_t colorChannels = 3;  // 1 grey, 3 RGB
    bool hasAlpha = false;
    SampleDepth depth = SampleDepth::eight;
    // Interleaved samples, colour then alpha, row after row.
    std::vector<uint8_t> samples;
    // Optional selection: one byte per pixel, 255 fully selected.
    std::vector<uint8_t> selection;
    std::vector<uint8_t> iccProfile;

    int32_t planes() const { return colorChannels + (hasAlpha ? 1 : 0); }
    size_t pixelBytes() const { return size_t(planes()) * size_t(sampleBytes(depth)); }
    size_t rowBytes() const { return size_t(width) * pixelBytes(); }
    uint8_t* pixel(int32_t x, int32_t y) { return samples.data() + size_t(y) * rowBytes() + size_t(x) * pixelBytes(); }
    const uint8_t* pixel(int32_t x, int32_t y) const {
        return samples.data() + size_t(y) * rowBytes() + size_t(x) * pixelBytes();
    }
    bool hasSelection() const { return !selection.empty(); }
    // The host's image mode for this document (grey 1, RGB 3, Gray16 10, RGB48 11, RGB96 16, Gray32 17).
    int16_t imageMode() const;
};

// The rectangle the filter works on, as an editor hands it over: the bounds
// of the selected (non-zero) pixels, or the whole document when nothing is
// selected or no pixel of the selection is.
struct FilterBounds {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
FilterBounds filterBounds(const Document& document);

// An empty document of the given shape; false when the size is absurd or the
// samples would not fit the machine's memory.
bool makeDocument(Document& document, int32_t width, int32_t height, int32_t colorChannels,
                  bool hasAlpha, SampleDepth depth, std::string& error);

// The same checks, but no samples yet: a file reader grows them with
// growDocumentRows as rows arrive, so that memory follows the data a file
// actually holds rather than the size its header claims.
bool startDocument(Document& document, int32_t width, int32_t height, int32_t colorChannels,
                   bool hasAlpha, SampleDepth depth, std::string& error);
// Makes the first `rows` rows exist (new rows are zero). Room grows
// geometrically, never past the whole image.
void growDocumentRows(Document& document, int32_t rows);

// The document's samples may use at most half the machine's memory: the
// filter's working copy needs about as much again.
bool documentFitsMemory(int64_t sampleBytes, int32_t width, int32_t height, std::string& error);
// Lowers that ceiling to `bytes` (0: back to half the machine), for programs
// that read untrusted files in bulk, such as the fuzz targets.
void setDocumentMemoryLimit(uint64_t bytes);
