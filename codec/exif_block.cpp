// The product's EXIF block.
#include "codec/exif_block.h"

#include "codec/product_identity.h"

#include <cstring>

namespace {
constexpr uint16_t kTagSoftware = 0x0131;
constexpr uint16_t kTypeAscii = 2;
constexpr uint32_t kSoftwareValueOffset = 26;  // from the "MM", just after the directory

void writeExif(MetadataWriter& out, bool forJpeg) {
    if (forJpeg) out.put("Exif\0\0", kExifPrefixBytes);
    out.putText("MM");
    out.put16(0x002A);
    out.put32(8);  // the first directory follows the header
    out.put16(1);  // one entry
    out.put16(kTagSoftware);
    out.put16(kTypeAscii);
    out.put32(static_cast<uint32_t>(std::strlen(kProductName) + 1));
    out.put32(kSoftwareValueOffset);
    out.put32(0);  // no next directory
    out.put(kProductName, std::strlen(kProductName) + 1);
}
}  // namespace

int32_t buildExifBlock(MetadataBlock& block, bool forJpeg, MetadataPass pass) {
    MetadataWriter out(block, pass);
    writeExif(out, forJpeg);
    return out.finish();
}
