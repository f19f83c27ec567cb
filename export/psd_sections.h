// The sections of the layered document, one function each, shared by the
// document writer and its tests.
#pragma once

#include "export/byte_sink.h"
#include "export/psd_document.h"

#include <cstdint>

// Sizes of the layer-and-mask parts for one layer of width x height.
struct PsdLayout {
    int32_t bytesPerChannel = 1;
    int32_t width = 0, height = 0;
    int64_t planeBytes = 0;        // width x height x bytesPerChannel
    int64_t layerInfoBytes = 0;    // after its length field: count, record, channel data
    int64_t layerInfoPadding = 0;  // zero bytes that bring it to a multiple of 4 (16- and 32-bit)
    int64_t sectionBytes = 0;      // the layer-and-mask section after its length field
};
PsdLayout psdLayout(int32_t bytesPerChannel, int32_t width, int32_t height);

void writePsdHeader(ByteSink& out, int32_t bytesPerChannel, int32_t width, int32_t height);
void writePsdColourModeData(ByteSink& out, int32_t bytesPerChannel);
void writePsdImageResources(ByteSink& out, const PsdDocumentInfo& info);
// The layer record of "layer 1".
void writePsdLayerRecord(ByteSink& out, const PsdLayout& layout);

// Checkerboard compositing of the merged image: S is 255 (8-bit) or 32640
// (16-bit) where bit 3 of x XOR y is 0, else 204 or 26112. Inline: the
// plane writer calls them for every sample of a document.
inline uint8_t psdMerged8(uint32_t channel, uint32_t alpha, int32_t x, int32_t y) {
    const uint32_t shade = ((x ^ y) & 8) ? 204 : 255;
    return uint8_t((shade * (255 - alpha) + channel * alpha) / 255);
}
// On the 0..32768 scale, before the file's 0..65535 scaling.
inline uint32_t psdMerged16(uint32_t channel, uint32_t alpha, int32_t x, int32_t y) {
    const uint32_t shade = ((x ^ y) & 8) ? 26112 : 32640;
    return (shade * (32768 - alpha) + channel * alpha) >> 15;
}
// A 0..32768 value as the file's 16-bit sample: 65535 for full, else 2v.
inline uint16_t psdFile16(uint32_t value) { return value >= 32768 ? 65535 : uint16_t(2 * value); }
