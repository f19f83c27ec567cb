// The one JPEG encoder: the product's quantisation tables and sampling by
// quality level, the product's header segments, and silent failure.
#pragma once

#include "codec/jpeg_row_source.h"
#include "codec/metadata_block.h"
#include "platform/memory_service.h"
#include "platform/binary_file.h"

#include <cstddef>
#include <cstdint>

enum JpegEncodeResult : int32_t {
    kJpegEncoded = 0,
    kJpegNoImage = 1,
    kJpegNoPixels = 2,
    kJpegNoAllocator = 3,
    kJpegNoBuffer = 4,      // the output buffer could not be had
    kJpegCodecFailed = 5,   // libjpeg stopped with a fatal error
    kJpegWriteFailed = 6,   // the destination did not take every byte
};

struct JpegEncodeOptions {
    int32_t quality = 80;
    const uint8_t* iccProfile = nullptr;  // the host's profile, or none
    size_t iccProfileBytes = 0;
    const MetadataBlock* exif = nullptr;  // built with its JPEG prefix, or none
    const MetadataBlock* iptc = nullptr;  // built with its JPEG prefix, or none
    bool thumbnailHeader = false;         // frame as a preset thumbnail block
};

inline constexpr int32_t kJpegMinimumSide = 16;
inline constexpr size_t kIccBytesPerSegment = 65519;
inline constexpr size_t kMaxMarkerPayload = 65533;

// Quality limited to 0..99; the table level is quality / 10.
int32_t clampJpegQuality(int32_t quality);
int32_t jpegTableLevel(int32_t quality);
// Number of APP2 segments for a profile (0 when none or when it would need
// more than the 255 that the one-byte sequence number can count).
size_t iccSegmentCount(size_t profileBytes);

// Compresses the source into a buffer from memory that the caller releases
// with memory->release. On success `bytes` is the compressed length.
int32_t encodeJpegToMemory(const JpegRowSource* source, const JpegEncodeOptions& options,
                           const MemoryService* memory, MemoryBlock& out, size_t& bytes);

// Compresses and appends to the destination: the bytes alone, or framed as
// the thumbnail block (1, width, height, length, bytes). With the frame asked
// for and no picture made, a single 0 is written so the stream stays whole.
int32_t encodeJpeg(const JpegRowSource* source, PlatformFile& destination,
                   const JpegEncodeOptions& options, const MemoryService* memory);
