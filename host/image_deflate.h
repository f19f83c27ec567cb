// What the PNG and TIFF writers share to deflate stripes of rows: the
// difference of each sample from the one a pixel to its left, run-length
// deflate at level 1, and an output buffer that grows as zlib fills it.
#pragma once

#include <cstddef>
#include <memory>
#include <zlib.h>

// out[i] = in[i] - in[i - distance] (modulo 256) for i >= distance, else in[i].
void differenceFromLeft(const unsigned char* in, size_t count, size_t distance, unsigned char* out);

// One stripe's deflate output.
struct DeflatedBytes {
    std::unique_ptr<unsigned char[]> bytes;
    size_t size = 0, capacity = 0;
};
// Makes room for `spare` more bytes; false when memory is short.
bool reserveBytes(DeflatedBytes& out, size_t spare);

// A worker's deflate stream, set up on first use: run-length deflate at the
// fastest level, which after the left difference costs little in size. Raw
// streams (no zlib header or checksum) are joined into one by the caller.
class RowDeflater {
public:
    explicit RowDeflater(bool raw) : raw_(raw) {}
    ~RowDeflater();
    RowDeflater(const RowDeflater&) = delete;
    RowDeflater& operator=(const RowDeflater&) = delete;

    // Starts a new stream; false when zlib cannot.
    bool begin();
    // The most bytes `count` input bytes can take up in one stream.
    size_t bound(size_t count);
    // Deflates `count` bytes with `flush`, appending all the output (for
    // Z_FINISH up to the stream's end, for Z_SYNC_FLUSH up to a byte boundary).
    bool add(const unsigned char* data, size_t count, int flush, DeflatedBytes& out);

private:
    z_stream stream_{};
    bool ready_ = false;
    bool raw_ = false;
};
