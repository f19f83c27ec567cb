// The header, the colour mode data and the image resources of the layered
// document.
#include "export/psd_sections.h"

#include "codec/exif_block.h"
#include "codec/iptc_block.h"
#include "codec/product_identity.h"
#include "model/glue_modes.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kColourModeRgb = 3;

// The print record of resource 1001, as 60 16-bit words.
constexpr int16_t kPrintRecord[60] = {
    40,   0,    72,   72,   0,     0,    743, 594, -9, -9, 783, 603, 8194, 1320, 1020, 0,    0,   360,  360,   0,
    0,    3715, 2970, 372,  50,    2970, 18600, 75, 1,  257, 0,   1,   9999, 1,    1,    0,    0,   0,    0,     0,
    0,    0,    0,    0,    0,     1,    100, 768, 0,  0,   0,   515, 8369, 1024, 4608, 768, 17664, 0, 13892, 24864};

// The HDR toning block of 32-bit documents: "hdrt", version and the preset
// name "Default" as 16-bit characters among its fields.
constexpr uint16_t kHdrToning[37] = {26724, 29300, 0,   3,   16128, 0,     0,   2,   0,   8,   68,  101, 102,
                                     97,    117,   108, 116, 0,     2,     2,   0,   0,   255, 255, 257, 0,
                                     0,     0,     0,   16768, 0,   0,     1,   0,   0,   16256, 0};

void writeWords(ByteSink& out, const int16_t* words, size_t count) {
    for (size_t i = 0; i < count; ++i) out.put16(uint16_t(words[i]));
}

// One resource block: "8BIM", number, empty name, length, data, pad byte.
void writeResource(ByteSink& out, uint16_t number, const void* data, size_t bytes) {
    out.putText("8BIM");
    out.put16(number);
    out.put16(0);
    out.put32(uint32_t(bytes));
    out.write(data, bytes);
    if (bytes % 2 == 1) out.put8(0);
}

void writeResource(ByteSink& out, uint16_t number, const MemorySink& data) {
    writeResource(out, number, data.data.data(), data.data.size());
}

MemorySink printRecord() {
    MemorySink data;
    writeWords(data, kPrintRecord, 60);
    return data;
}

MemorySink resolutionInfo() {
    MemorySink data;
    for (int axis = 0; axis < 2; ++axis) {
        data.put32(72u << 16);  // 72 pixels per inch, 16.16 fixed
        data.put16(1);          // shown as pixels per inch
        data.put16(1);          // sizes shown in inches
    }
    return data;
}

MemorySink transferFunctions() {
    MemorySink data;
    for (int curve = 0; curve < 4; ++curve) {
        data.put16(0);
        for (int i = 0; i < 11; ++i) data.put16(0xFFFF);  // -1: no point
        data.put16(1000);
        data.put16(0);  // no override
    }
    return data;
}

}  // namespace

void writePsdHeader(ByteSink& out, int32_t bytesPerChannel, int32_t width, int32_t height) {
    out.putText("8BPS");
    out.put16(1);
    out.putZeros(6);
    out.put16(bytesPerChannel == 2 ? 4 : 3);
    out.put32(uint32_t(height));
    out.put32(uint32_t(width));
    out.put16(uint16_t(8 * bytesPerChannel));
    out.put16(kColourModeRgb);
}

void writePsdColourModeData(ByteSink& out, int32_t bytesPerChannel) {
    if (bytesPerChannel != 4) {
        out.put32(0);
        return;
    }
    out.put32(sizeof kHdrToning);
    for (uint16_t word : kHdrToning) out.put16(word);
}

void writePsdImageResources(ByteSink& out, const PsdDocumentInfo& info) {
    const bool floating = info.bytesPerChannel == 4;
    constexpr uint16_t kLayerCount = 1;
    MemorySink blocks;
    writeResource(blocks, 1001, printRecord());
    writeResource(blocks, 1005, resolutionInfo());
    const uint8_t pageMarks[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1};
    writeResource(blocks, 1011, pageMarks, sizeof pageMarks);
    writeResource(blocks, 1016, transferFunctions());
    writeResource(blocks, 1035, kHomePageAddress, std::strlen(kHomePageAddress));
    if (info.iccProfile && info.iccProfileBytes > 0) writeResource(blocks, 1039, info.iccProfile, info.iccProfileBytes);

    MetadataBlock iptc;
    for (const std::string& keyword : exportKeywords(floating, info.vignette, info.sepia, info.glue))
        addMetadataKeyword(iptc, keyword.c_str());
    const int32_t iptcBytes = info.date ? buildIptcBlock(iptc, false, MetadataPass::write, *info.date)
                                        : buildIptcBlock(iptc, false, MetadataPass::write);
    // The IPTC block is resource 1028 already, with its own "8BIM" header,
    // number, name and even length: it goes in as it stands.
    if (iptcBytes > 0) blocks.write(iptc.buffer, size_t(iptcBytes));
    MetadataBlock exif;
    const int32_t exifBytes = buildExifBlock(exif, false, MetadataPass::write);
    if (exifBytes > 0) writeResource(blocks, 1058, exif.buffer, size_t(exifBytes));

    if (floating) {
        const uint8_t hdr[6] = {0, 1, 0, 0, 0, 12};
        writeResource(blocks, 1069, hdr, sizeof hdr);
        const uint8_t layerBytes[kLayerCount] = {1};
        writeResource(blocks, 1072, layerBytes, sizeof layerBytes);
    }
    MemorySink count;
    count.put16(kLayerCount);
    writeResource(blocks, 1024, count);
    MemorySink groups;
    for (int i = 0; i < kLayerCount; ++i) groups.put16(0);
    writeResource(blocks, 1026, groups);

    out.put32(uint32_t(blocks.data.size()));
    out.write(blocks.data.data(), blocks.data.size());
}
