// The IPTC block that marks a file as the product's: a Photoshop image
// resource 0x0404 holding the IPTC-IIM datasets of record 2.
#pragma once

#include "codec/metadata_block.h"
#include "platform/utc_date.h"

#include <cstdint>

inline constexpr int32_t kIptcPrefixBytes = 14;  // "Photoshop 3.0" and a 0 byte

// Measures or writes the block; forJpeg adds the prefix of a JPEG APP13
// segment. The date dataset is taken from the given UTC date. Returns the
// byte count (0 when the buffer cannot be had).
int32_t buildIptcBlock(MetadataBlock& block, bool forJpeg, MetadataPass pass, const UtcDate& date);
// The same with today's UTC date.
int32_t buildIptcBlock(MetadataBlock& block, bool forJpeg, MetadataPass pass);

// "YYYYMMDD" for the date-created dataset; always eight digits (each part
// is limited to its field's width) and a 0 byte.
void iptcDateText(const UtcDate& date, char (&text)[9]);
