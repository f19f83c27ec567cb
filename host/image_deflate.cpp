// Left differences and deflate for the writers' stripes of rows.
#include "host/image_deflate.h"

#include <algorithm>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void differenceFromLeft(const unsigned char* in, size_t count, size_t distance, unsigned char* out) {
    size_t i = 0;
    for (; i < distance && i < count; ++i) out[i] = in[i];
#if defined(__SSE2__)
    for (; i + 16 <= count; i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i - distance));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sub_epi8(here, left));
    }
#endif
    for (; i < count; ++i) out[i] = static_cast<unsigned char>(in[i] - in[i - distance]);
}

bool reserveBytes(DeflatedBytes& out, size_t spare) {
    if (out.capacity - out.size >= spare) return true;
    const size_t capacity = out.capacity + out.capacity / 2 + spare;
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[capacity]);
    if (!bytes) return false;
    if (out.size > 0) std::memcpy(bytes.get(), out.bytes.get(), out.size);
    out.bytes = std::move(bytes);
    out.capacity = capacity;
    return true;
}

RowDeflater::~RowDeflater() {
    if (ready_) deflateEnd(&stream_);
}

bool RowDeflater::begin() {
    if (ready_) return deflateReset(&stream_) == Z_OK;
    ready_ = deflateInit2(&stream_, 1, Z_DEFLATED, raw_ ? -15 : 15, 8, Z_RLE) == Z_OK;
    return ready_;
}

size_t RowDeflater::bound(size_t count) { return size_t(deflateBound(&stream_, uLong(count))); }

bool RowDeflater::add(const unsigned char* data, size_t count, int flush, DeflatedBytes& out) {
    stream_.next_in = const_cast<unsigned char*>(data);
    stream_.avail_in = uInt(count);
    for (;;) {
        if (!reserveBytes(out, 256)) return false;
        const size_t room = std::min<size_t>(out.capacity - out.size, size_t(1) << 30);
        stream_.next_out = out.bytes.get() + out.size;
        stream_.avail_out = uInt(room);
        const int result = deflate(&stream_, flush);
        out.size += room - stream_.avail_out;
        if (result == Z_STREAM_ERROR) return false;
        if (flush == Z_FINISH ? result == Z_STREAM_END : stream_.avail_out != 0 && stream_.avail_in == 0) return true;
    }
}
