// The layer record of "layer 1" and the sizes of the layer-and-mask section
// in its three layouts (8-bit in place; 16- and 32-bit in Lr16 / Lr32 blocks).
#include "export/psd_sections.h"

#include <cstring>

namespace {
constexpr int16_t kChannelIds[4] = {-1, 0, 1, 2};  // transparency, red, green, blue
constexpr int64_t kLayerRecordBytes = 114;         // for a name that fills 8 bytes

// The name as a length-prefixed string padded to a multiple of 4 bytes.
int64_t paddedNameBytes(const char* name) {
    const int64_t raw = 1 + int64_t(std::strlen(name));
    return (raw + 3) / 4 * 4;
}
}  // namespace

PsdLayout psdLayout(int32_t bytesPerChannel, int32_t width, int32_t height) {
    PsdLayout layout;
    layout.bytesPerChannel = bytesPerChannel;
    layout.width = width;
    layout.height = height;
    layout.planeBytes = int64_t(width) * height * bytesPerChannel;
    const int64_t record = kLayerRecordBytes - 8 + paddedNameBytes(kPsdLayerName);
    layout.layerInfoBytes = 2 + record + 4 * (2 + layout.planeBytes);
    if (bytesPerChannel == 1) {
        layout.sectionBytes = 4 + layout.layerInfoBytes + 4;
    } else {
        layout.layerInfoPadding = (4 - layout.layerInfoBytes % 4) % 4;
        // Empty layer info, empty global mask, Mt16/Mt32, then Lr16/Lr32.
        layout.sectionBytes = 4 + 4 + 12 + 12 + layout.layerInfoBytes + layout.layerInfoPadding;
        if (bytesPerChannel == 4) layout.sectionBytes += 28 + 12;  // LMsk, Pat3
    }
    return layout;
}

void writePsdLayerRecord(ByteSink& out, const PsdLayout& layout) {
    out.put32(0);  // top
    out.put32(0);  // left
    out.put32(uint32_t(layout.height));
    out.put32(uint32_t(layout.width));
    out.put16(4);
    for (int16_t id : kChannelIds) {
        out.put16(uint16_t(id));
        out.put32(uint32_t(layout.planeBytes + 2));
    }
    out.putText("8BIM");
    out.putText("norm");
    out.put8(255);  // opacity
    out.put8(0);    // clipping: base
    out.put8(layout.bytesPerChannel == 4 ? 8 : 40);
    out.put8(0);
    const uint32_t nameBytes = uint32_t(paddedNameBytes(kPsdLayerName));
    out.put32(48 + nameBytes);  // extra data: mask, blending ranges, name
    out.put32(0);               // no layer mask
    out.put32(40);
    static const uint8_t kRange[8] = {0, 0, 255, 255, 0, 0, 255, 255};
    for (int i = 0; i < 5; ++i) out.write(kRange, sizeof kRange);
    const size_t length = std::strlen(kPsdLayerName);
    out.put8(uint8_t(length));
    out.write(kPsdLayerName, length);
    out.putZeros(nameBytes - 1 - length);
}
