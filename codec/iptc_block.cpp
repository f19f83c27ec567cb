// The product's IPTC block: record version, source, date, caption and keywords.
#include "codec/iptc_block.h"

#include "codec/product_identity.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr uint8_t kRecordVersion = 0;
constexpr uint8_t kKeyword = 25;
constexpr uint8_t kDateCreated = 55;
constexpr uint8_t kSource = 115;
constexpr uint8_t kCaption = 120;
constexpr uint16_t kIptcResource = 0x0404;

int32_t limited(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

void putDataset(MetadataWriter& out, uint8_t dataset, const void* data, uint16_t length) {
    out.putByte(0x1C);
    out.putByte(2);  // application record
    out.putByte(dataset);
    out.put16(length);
    out.put(data, length);
}

void putTextDataset(MetadataWriter& out, uint8_t dataset, const char* text) {
    putDataset(out, dataset, text, static_cast<uint16_t>(std::strlen(text)));
}

// The datasets in their fixed order; the keywords of the list follow the
// product's own keyword.
void putDatasets(MetadataWriter& out, const MetadataBlock& block, const UtcDate& date) {
    const uint8_t version[2] = {0x00, 0x02};
    putDataset(out, kRecordVersion, version, 2);
    putTextDataset(out, kSource, kHomePageAddress);
    char dateText[9];
    iptcDateText(date, dateText);
    putTextDataset(out, kDateCreated, dateText);
    putTextDataset(out, kCaption, kMadeWithCaption);
    putTextDataset(out, kKeyword, kProductName);
    for (int32_t i = 0; i < block.keywordCount && i < kKeywordSlots; ++i)
        if (block.keywords[i][0] != '\0') putTextDataset(out, kKeyword, block.keywords[i]);
}

void putBlock(MetadataWriter& out, const MetadataBlock& block, bool forJpeg, const UtcDate& date,
              uint32_t datasetLength) {
    if (forJpeg) out.put("Photoshop 3.0", kIptcPrefixBytes);
    out.putText("8BIM");
    out.put16(kIptcResource);
    out.putByte(0);  // empty resource name, padded to an even length
    out.putByte(0);
    out.put32(datasetLength);
    const size_t before = out.count();
    putDatasets(out, block, date);
    if ((out.count() - before) % 2 != 0) out.putByte(0);
}

// The measuring pass over the datasets alone, for the length field.
uint32_t measureDatasets(MetadataBlock& block, const UtcDate& date) {
    MetadataWriter measure(block, MetadataPass::measure);
    putDatasets(measure, block, date);
    const uint32_t length = static_cast<uint32_t>(measure.finish());
    return length + (length % 2);
}
}  // namespace

void iptcDateText(const UtcDate& date, char (&text)[9]) {
    std::snprintf(text, sizeof text, "%04d%02d%02d", static_cast<int>(limited(date.year, 0, 9999)),
                  static_cast<int>(limited(date.month, 1, 12)), static_cast<int>(limited(date.day, 1, 31)));
}

int32_t buildIptcBlock(MetadataBlock& block, bool forJpeg, MetadataPass pass, const UtcDate& date) {
    const uint32_t datasetLength = measureDatasets(block, date);
    if (pass == MetadataPass::write) {
        MetadataWriter measure(block, MetadataPass::measure);
        putBlock(measure, block, forJpeg, date, datasetLength);
        const size_t total = static_cast<size_t>(measure.finish());
        MetadataWriter out(block, pass);
        if (total == 0 || !out.reserve(total)) {
            block.byteCount = 0;
            return 0;
        }
        putBlock(out, block, forJpeg, date, datasetLength);
        return out.finish();
    }
    MetadataWriter out(block, pass);
    putBlock(out, block, forJpeg, date, datasetLength);
    return out.finish();
}

int32_t buildIptcBlock(MetadataBlock& block, bool forJpeg, MetadataPass pass) {
    return buildIptcBlock(block, forJpeg, pass, currentUtcDate());
}
