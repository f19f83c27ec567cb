// PNG row filters undone byte by byte (the reference) and a pixel at a time
// in SSE2 registers, the bytes of a pixel as 16-bit lanes side by side.
#include "host/png_unfilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TWL_PNG_UNFILTER_SSE2 1
#endif

bool unfilterPngRow(uint8_t type, const uint8_t* filtered, const uint8_t* previous, uint8_t* out, size_t rowBytes,
                    size_t pixelBytes) {
    const size_t n = rowBytes, bpp = std::min(pixelBytes, rowBytes);
    switch (type) {
        case 0: std::memcpy(out, filtered, n); return true;
        case 1:
            std::memcpy(out, filtered, bpp);
            for (size_t i = bpp; i < n; ++i) out[i] = uint8_t(filtered[i] + out[i - bpp]);
            return true;
        case 2:
            if (!previous) {
                std::memcpy(out, filtered, n);
                return true;
            }
            for (size_t i = 0; i < n; ++i) out[i] = uint8_t(filtered[i] + previous[i]);
            return true;
        case 3:
            for (size_t i = 0; i < n; ++i) {
                const unsigned left = i >= bpp ? out[i - bpp] : 0u, up = previous ? previous[i] : 0u;
                out[i] = uint8_t(filtered[i] + ((left + up) >> 1));
            }
            return true;
        case 4:
            for (size_t i = 0; i < n; ++i) {
                const int a = i >= bpp ? out[i - bpp] : 0, b = previous ? previous[i] : 0;
                const int c = i >= bpp && previous ? previous[i - bpp] : 0;
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                out[i] = uint8_t(filtered[i] + predictor);
            }
            return true;
        default: return false;
    }
}

#if defined(TWL_PNG_UNFILTER_SSE2)
namespace {

// A pixel's bytes (at most 8) as 16-bit lanes, and back. Inside a row the
// pixel is read and written as 8 bytes, the lanes past it unused and the
// bytes past it written again with the next pixel; the last pixels of a
// row are put together byte by byte so that nothing beyond the row is
// touched.
__m128i widen(__m128i bytes) { return _mm_unpacklo_epi8(bytes, _mm_setzero_si128()); }

template <size_t kBytes>
__m128i loadLastPixel(const uint8_t* p) {
    uint64_t bytes = 0;
    for (size_t k = 0; k < kBytes; ++k) bytes |= uint64_t(p[k]) << (8 * k);
    return widen(_mm_cvtsi64_si128(int64_t(bytes)));
}
template <size_t kBytes>
void storeLastPixel(uint8_t* p, __m128i lanes) {
    const auto bytes = uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(lanes, lanes)));
    for (size_t k = 0; k < kBytes; ++k) p[k] = uint8_t(bytes >> (8 * k));
}

// A row's pixels in order; `step` takes the filtered pixel and the pixel
// above (zero when there is no row above) and gives the unfiltered one.
template <size_t kBytes, class Step>
void eachPixel(const uint8_t* filtered, const uint8_t* previous, uint8_t* out, size_t rowBytes, Step step) {
    size_t i = 0;
    for (; i + 8 <= rowBytes; i += kBytes) {
        const __m128i x = widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(filtered + i)));
        const __m128i b =
            previous ? widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(previous + i))) : _mm_setzero_si128();
        const __m128i result = step(x, b);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(result, result));
    }
    for (; i < rowBytes; i += kBytes) {
        const __m128i b = previous ? loadLastPixel<kBytes>(previous + i) : _mm_setzero_si128();
        storeLastPixel<kBytes>(out + i, step(loadLastPixel<kBytes>(filtered + i), b));
    }
}

__m128i absolute16(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }
__m128i select16(__m128i mask, __m128i whenSet, __m128i otherwise) {
    return _mm_or_si128(_mm_and_si128(mask, whenSet), _mm_andnot_si128(mask, otherwise));
}

template <size_t kBytes>
void unfilterSub(const uint8_t* filtered, uint8_t* out, size_t rowBytes) {
    __m128i left = _mm_setzero_si128();
    const __m128i lowBytes = _mm_set1_epi16(0xFF);
    eachPixel<kBytes>(filtered, nullptr, out, rowBytes, [&](__m128i x, __m128i) {
        return left = _mm_and_si128(_mm_add_epi16(x, left), lowBytes);
    });
}

template <size_t kBytes>
void unfilterAverage(const uint8_t* filtered, const uint8_t* previous, uint8_t* out, size_t rowBytes) {
    __m128i left = _mm_setzero_si128();
    const __m128i lowBytes = _mm_set1_epi16(0xFF);
    eachPixel<kBytes>(filtered, previous, out, rowBytes, [&](__m128i x, __m128i b) {
        const __m128i mean = _mm_srli_epi16(_mm_add_epi16(left, b), 1);
        return left = _mm_and_si128(_mm_add_epi16(x, mean), lowBytes);
    });
}

// The predictor is the one of left (a), above (b) and above-left (c)
// nearest to a + b - c, ties going to a, then b. The distances from it are
// |b - c|, |a - c| and |a + b - 2c|; only the last two wait for the pixel
// to the left, which keeps the chain from pixel to pixel short.
__m128i paethPixel(__m128i x, __m128i a, __m128i b, __m128i c) {
    const __m128i bLessC = _mm_sub_epi16(b, c);
    const __m128i pa = absolute16(bLessC);
    const __m128i aLessC = _mm_sub_epi16(a, c);
    const __m128i pb = absolute16(aLessC);
    const __m128i pc = absolute16(_mm_add_epi16(aLessC, bLessC));
    const __m128i smallest = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
    __m128i nearest = select16(_mm_cmpeq_epi16(pb, smallest), b, c);
    nearest = select16(_mm_cmpeq_epi16(pa, smallest), a, nearest);
    return _mm_and_si128(_mm_add_epi16(x, nearest), _mm_set1_epi16(0xFF));
}

template <size_t kBytes>
void unfilterPaeth(const uint8_t* filtered, const uint8_t* previous, uint8_t* out, size_t rowBytes) {
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    eachPixel<kBytes>(filtered, previous, out, rowBytes, [&](__m128i x, __m128i b) {
        a = paethPixel(x, a, b, c);
        c = b;
        return a;
    });
}

template <size_t kBytes>
__m128i loadAt(const uint8_t* p, bool wide) {
    return wide ? widen(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))) : loadLastPixel<kBytes>(p);
}
template <size_t kBytes>
void storeAt(uint8_t* p, __m128i lanes, bool wide) {
    if (wide) _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(lanes, lanes));
    else storeLastPixel<kBytes>(p, lanes);
}

// Two Paeth rows at once, the lower one a pixel behind: its pixel above and
// above-left are the upper row's last two results, still in registers. The
// two chains from pixel to pixel are independent, so the processor runs
// them side by side.
template <size_t kBytes>
void unfilterPaethPair(const uint8_t* filteredUpper, const uint8_t* filteredLower, const uint8_t* above,
                       uint8_t* outUpper, uint8_t* outLower, size_t rowBytes) {
    const size_t pixels = rowBytes / kBytes;
    __m128i upperLeft = _mm_setzero_si128(), upperAboveLeft = _mm_setzero_si128();
    __m128i lowerLeft = _mm_setzero_si128(), lowerAboveLeft = _mm_setzero_si128();
    __m128i upperLast = _mm_setzero_si128();
    for (size_t k = 0; k <= pixels; ++k) {
        const size_t at = k * kBytes;
        if (k < pixels) {
            const bool wide = at + 8 <= rowBytes;
            const __m128i b = loadAt<kBytes>(above + at, wide);
            upperLeft = paethPixel(loadAt<kBytes>(filteredUpper + at, wide), upperLeft, b, upperAboveLeft);
            upperAboveLeft = b;
            storeAt<kBytes>(outUpper + at, upperLeft, wide);
        }
        if (k > 0) {
            const size_t lowerAt = at - kBytes;
            const bool wide = lowerAt + 8 <= rowBytes;
            lowerLeft = paethPixel(loadAt<kBytes>(filteredLower + lowerAt, wide), lowerLeft, upperLast, lowerAboveLeft);
            lowerAboveLeft = upperLast;
            storeAt<kBytes>(outLower + lowerAt, lowerLeft, wide);
        }
        upperLast = upperLeft;
    }
}

template <size_t kBytes>
bool unfilterPixels(uint8_t type, const uint8_t* filtered, const uint8_t* previous, uint8_t* out, size_t rowBytes) {
    // With no row above, Average and Paeth predict from the left alone.
    switch (type) {
        case 1: unfilterSub<kBytes>(filtered, out, rowBytes); return true;
        case 3:
            if (!previous) return unfilterPngRow(type, filtered, previous, out, rowBytes, kBytes);
            unfilterAverage<kBytes>(filtered, previous, out, rowBytes);
            return true;
        case 4:
            if (!previous) unfilterSub<kBytes>(filtered, out, rowBytes);
            else unfilterPaeth<kBytes>(filtered, previous, out, rowBytes);
            return true;
        default: return unfilterPngRow(type, filtered, previous, out, rowBytes, kBytes);
    }
}

}  // namespace
#endif

bool unfilterPngRowPairFast(uint8_t upperType, const uint8_t* filteredUpper, uint8_t lowerType,
                            const uint8_t* filteredLower, const uint8_t* above, uint8_t* outUpper, uint8_t* outLower,
                            size_t rowBytes, size_t pixelBytes) {
#if defined(TWL_PNG_UNFILTER_SSE2)
    if (upperType == 4 && lowerType == 4 && above && pixelBytes > 0 && rowBytes % pixelBytes == 0) {
        switch (pixelBytes) {
            case 3: unfilterPaethPair<3>(filteredUpper, filteredLower, above, outUpper, outLower, rowBytes); return true;
            case 4: unfilterPaethPair<4>(filteredUpper, filteredLower, above, outUpper, outLower, rowBytes); return true;
            case 6: unfilterPaethPair<6>(filteredUpper, filteredLower, above, outUpper, outLower, rowBytes); return true;
            case 8: unfilterPaethPair<8>(filteredUpper, filteredLower, above, outUpper, outLower, rowBytes); return true;
            default: break;
        }
    }
#endif
    return unfilterPngRowFast(upperType, filteredUpper, above, outUpper, rowBytes, pixelBytes) &&
           unfilterPngRowFast(lowerType, filteredLower, outUpper, outLower, rowBytes, pixelBytes);
}

bool unfilterPngRowFast(uint8_t type, const uint8_t* filtered, const uint8_t* previous, uint8_t* out,
                        size_t rowBytes, size_t pixelBytes) {
#if defined(TWL_PNG_UNFILTER_SSE2)
    // Whole pixels only: a row of PNG data always is, but a caller's odd
    // length goes the plain way.
    if (pixelBytes > 0 && rowBytes % pixelBytes == 0) {
        switch (pixelBytes) {
            case 3: return unfilterPixels<3>(type, filtered, previous, out, rowBytes);
            case 4: return unfilterPixels<4>(type, filtered, previous, out, rowBytes);
            case 6: return unfilterPixels<6>(type, filtered, previous, out, rowBytes);
            case 8: return unfilterPixels<8>(type, filtered, previous, out, rowBytes);
            default: break;
        }
    }
#endif
    return unfilterPngRow(type, filtered, previous, out, rowBytes, pixelBytes);
}
