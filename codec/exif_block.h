// The EXIF block that names the product as the software that made a file:
// one directory with the Software tag, in big-endian ("MM") order.
#pragma once

#include "codec/metadata_block.h"

#include <cstdint>

inline constexpr int32_t kExifBlockBytes = 41;
inline constexpr int32_t kExifPrefixBytes = 6;  // "Exif" and two 0 bytes

// Measures or writes the block; forJpeg adds the prefix of a JPEG APP1
// segment. Returns the byte count (0 when the buffer cannot be had).
int32_t buildExifBlock(MetadataBlock& block, bool forJpeg, MetadataPass pass);
