// What the JPEG encoder and decoder hand to libjpeg: a silent error manager
// that leaves by longjmp, and sources and destinations in memory.
// Only plain C structs live here: code between setjmp and longjmp must have
// no objects with destructors.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>
#include <jerror.h>

// Warnings and trace messages are dropped; a fatal error jumps to `exit`,
// where the caller destroys the codec object and reports no output.
struct SilentJpegErrors {
    jpeg_error_mgr manager;  // first member: libjpeg holds a pointer to it
    std::jmp_buf exit;
};
jpeg_error_mgr* installSilentJpegErrors(SilentJpegErrors& errors);

// A fixed output buffer; running out of room is a fatal codec error.
struct JpegBufferDestination {
    jpeg_destination_mgr manager;
    unsigned char* buffer;
    size_t capacity;
    size_t written;  // set when the compressor finishes
};
void attachJpegBufferDestination(j_compress_ptr codec, JpegBufferDestination& destination,
                                 unsigned char* buffer, size_t capacity);

// Compressed bytes in memory; past their end the decoder sees an end marker.
struct JpegBufferSource {
    jpeg_source_mgr manager;
    JOCTET endMarker[2];
};
void attachJpegBufferSource(j_decompress_ptr codec, JpegBufferSource& source,
                            const unsigned char* bytes, size_t size);
