// SSE2, AVX2 and AVX-512 windows of the packed 8-bit, 16-bit and float level kernels.
#include "kernels/samplers_simd.h"

#if defined(TWL_X86_VECTORS)

// The compiler's own AVX-512 headers start some results from a deliberately
// undefined register, which its uninitialised-value warning reports.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cstring>

namespace {

constexpr float kPacked8Finish = 1.0f / 4194304.0f;  // 2^-22
constexpr float kRgba16Finish = 1.0f / 32768.0f;     // 2^-15

// Bytes of a packed word from the low end: coverage, blue, green, red.
void packed8Out(const int32_t (&lanes)[4], float (&out)[4]) {
    out[0] = float(lanes[3]) * kPacked8Finish;
    out[1] = float(lanes[2]) * kPacked8Finish;
    out[2] = float(lanes[1]) * kPacked8Finish;
    out[3] = float(lanes[0]) * kPacked8Finish;
}

uint32_t loadWord(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// SSE2: each row's pixels two at a time, 16-bit multiply-adds into 32-bit
// channel sums, then each row weighted in 32-bit integers.
template <int Taps>
void packed8Sse2(const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    constexpr int kPairs = (Taps + 1) / 2;
    const __m128i zero = _mm_setzero_si128();
    __m128i pairWeights[kPairs];
    for (int k = 0; k < kPairs; ++k) {
        const int32_t low = w.x[2 * k];
        const int32_t high = 2 * k + 1 < Taps ? w.x[2 * k + 1] : 0;
        pairWeights[k] = _mm_set1_epi32(int32_t((uint32_t(high) << 16) | (uint32_t(low) & 0xFFFFu)));
    }
    __m128i total = zero;
    for (int i = 0; i < Taps; ++i) {
        const uint8_t* row = corner + i * rowBytes;
        __m128i sum = zero;
        for (int k = 0; k < kPairs; ++k) {
            const uint32_t a = loadWord(row + 8 * k);
            const uint32_t b = 2 * k + 1 < Taps ? loadWord(row + 8 * k + 4) : 0;
            const __m128i va = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(a)), zero);
            const __m128i vb = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(b)), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(va, vb), pairWeights[k]));
        }
        // 32-bit products of the row sums and the row weight (SSE2 has no
        // 32-bit multiply-low: two 64-bit products of the even and odd lanes).
        const __m128i weight = _mm_set1_epi32(w.y[i]);
        const __m128i even = _mm_mul_epu32(sum, weight);
        const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(sum, 32), weight);
        const __m128i products = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
        total = _mm_add_epi32(total, products);
    }
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
    packed8Out(lanes, out);
}

// 16-bit windows in double precision: every product and sum of the integer
// kernel stays below 2^53 and a row sum divided by 32768 is exact, so
// truncating it gives the integer kernel's value.
template <int Taps>
void rgba16Sse2(const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    const __m128i zero = _mm_setzero_si128();
    const __m128d rowScale = _mm_set1_pd(1.0 / 32768.0);
    __m128d totalLow = _mm_setzero_pd(), totalHigh = _mm_setzero_pd();
    for (int i = 0; i < Taps; ++i) {
        const uint8_t* row = corner + i * rowBytes;
        __m128d sumLow = _mm_setzero_pd(), sumHigh = _mm_setzero_pd();
        for (int j = 0; j < Taps; ++j) {
            const __m128i pixel = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8 * j));
            const __m128i channels = _mm_unpacklo_epi16(pixel, zero);
            const __m128d weight = _mm_set1_pd(double(w.x[j]));
            sumLow = _mm_add_pd(sumLow, _mm_mul_pd(_mm_cvtepi32_pd(channels), weight));
            sumHigh = _mm_add_pd(sumHigh, _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(channels, 8)), weight));
        }
        const __m128d low = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(sumLow, rowScale)));
        const __m128d high = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(sumHigh, rowScale)));
        const __m128d weight = _mm_set1_pd(double(w.y[i]));
        totalLow = _mm_add_pd(totalLow, _mm_mul_pd(low, weight));
        totalHigh = _mm_add_pd(totalHigh, _mm_mul_pd(high, weight));
    }
    alignas(16) double totals[4];
    _mm_store_pd(totals, totalLow);
    _mm_store_pd(totals + 2, totalHigh);
    for (int c = 0; c < 4; ++c) out[c] = float(int64_t(totals[c])) * kRgba16Finish;
}

// AVX2: a row's first four pixels widened to 16 bits in one register (two
// pixels per 128-bit half), the same channel of neighbouring pixels brought
// side by side, and one multiply-add per half; the rest of the row likewise.
// The halves are weighted by the row weight and folded at the end.
template <int Taps>
TWL_AVX2 void packed8Avx2(const uint8_t* corner, int64_t rowBytes, const WindowWeights& w,
                                                 float (&out)[4]) {
    // Within each half: pixel a's channel c and pixel b's channel c side by side.
    const __m256i pairChannels = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15,  //
                                                  0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const auto pair = [&](int a, int b) {
        const int32_t low = w.x[a], high = b < Taps ? w.x[b] : 0;
        return int32_t((uint32_t(high) << 16) | (uint32_t(low) & 0xFFFFu));
    };
    // Weights of pixels (0, 1) | (2, 3) and (4, 5) | (6, -).
    const __m256i firstWeights = _mm256_setr_epi32(pair(0, 1), pair(0, 1), pair(0, 1), pair(0, 1),  //
                                                   pair(2, 3), pair(2, 3), pair(2, 3), pair(2, 3));
    const __m256i restWeights = _mm256_setr_epi32(pair(4, 5), pair(4, 5), pair(4, 5), pair(4, 5),  //
                                                  pair(6, 7), pair(6, 7), pair(6, 7), pair(6, 7));
    __m256i total = _mm256_setzero_si256();
    for (int i = 0; i < Taps; ++i) {
        const uint8_t* row = corner + i * rowBytes;
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
        __m128i rest;
        if constexpr (Taps == 5) {
            rest = _mm_cvtsi32_si128(int32_t(loadWord(row + 16)));
        } else {
            rest = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 16));
            rest = _mm_insert_epi32(rest, int32_t(loadWord(row + 24)), 2);
        }
        const __m256i a = _mm256_shuffle_epi8(_mm256_cvtepu8_epi16(first), pairChannels);
        const __m256i b = _mm256_shuffle_epi8(_mm256_cvtepu8_epi16(rest), pairChannels);
        const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(a, firstWeights), _mm256_madd_epi16(b, restWeights));
        total = _mm256_add_epi32(total, _mm256_mullo_epi32(sum, _mm256_set1_epi32(w.y[i])));
    }
    const __m128i folded = _mm_add_epi32(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), folded);
    packed8Out(lanes, out);
}

// AVX2 16-bit: the four channels of a pixel in one register of doubles.
template <int Taps>
TWL_AVX2 void rgba16Avx2(const uint8_t* corner, int64_t rowBytes, const WindowWeights& w,
                                                float (&out)[4]) {
    const __m256d rowScale = _mm256_set1_pd(1.0 / 32768.0);
    __m256d total = _mm256_setzero_pd();
    for (int i = 0; i < Taps; ++i) {
        const uint8_t* row = corner + i * rowBytes;
        __m256d sum = _mm256_setzero_pd();
        for (int j = 0; j < Taps; ++j) {
            const __m128i pixel = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 8 * j));
            const __m256d channels = _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(pixel));
            sum = _mm256_add_pd(sum, _mm256_mul_pd(channels, _mm256_set1_pd(double(w.x[j]))));
        }
        const __m256d divided = _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(_mm256_mul_pd(sum, rowScale)));
        total = _mm256_add_pd(total, _mm256_mul_pd(divided, _mm256_set1_pd(double(w.y[i]))));
    }
    alignas(32) double totals[4];
    _mm256_store_pd(totals, total);
    for (int c = 0; c < 4; ++c) out[c] = float(int64_t(totals[c])) * kRgba16Finish;
}

// AVX-512: two rows at once, one per 256-bit half, as in the AVX2 window.
template <int Taps>
TWL_AVX512 void packed8Avx512(const uint8_t* corner, int64_t rowBytes,
                                                               const WindowWeights& w, float (&out)[4]) {
    const __m512i pairChannels = _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15));
    const auto pair = [&](int a, int b) {
        const int32_t low = w.x[a], high = b < Taps ? w.x[b] : 0;
        return int32_t((uint32_t(high) << 16) | (uint32_t(low) & 0xFFFFu));
    };
    const __m256i first256 = _mm256_setr_epi32(pair(0, 1), pair(0, 1), pair(0, 1), pair(0, 1),  //
                                               pair(2, 3), pair(2, 3), pair(2, 3), pair(2, 3));
    const __m256i rest256 = _mm256_setr_epi32(pair(4, 5), pair(4, 5), pair(4, 5), pair(4, 5),  //
                                              pair(6, 7), pair(6, 7), pair(6, 7), pair(6, 7));
    const __m512i firstWeights = _mm512_inserti64x4(_mm512_castsi256_si512(first256), first256, 1);
    const __m512i restWeights = _mm512_inserti64x4(_mm512_castsi256_si512(rest256), rest256, 1);
    const __mmask16 restMask = Taps == 5 ? __mmask16(0x0001) : __mmask16(0x0007);  // words past the first four
    __m512i total = _mm512_setzero_si512();
    for (int i = 0; i < Taps; i += 2) {
        const bool second = i + 1 < Taps;
        const uint8_t* top = corner + i * rowBytes;
        const uint8_t* bottom = second ? top + rowBytes : top;
        const __m256i first = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(top))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom)), 1);
        const __m256i rest = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_maskz_loadu_epi32(restMask, top + 16)),
                                                     _mm_maskz_loadu_epi32(restMask, bottom + 16), 1);
        // Widening puts the top row's pixels in the low 256 bits, the bottom row's in the high.
        const __m512i a = _mm512_shuffle_epi8(_mm512_cvtepu8_epi16(first), pairChannels);
        const __m512i b = _mm512_shuffle_epi8(_mm512_cvtepu8_epi16(rest), pairChannels);
        const __m512i sum = _mm512_add_epi32(_mm512_madd_epi16(a, firstWeights), _mm512_madd_epi16(b, restWeights));
        const __m512i rowWeights = _mm512_inserti64x4(_mm512_set1_epi32(w.y[i]),
                                                      _mm256_set1_epi32(second ? w.y[i + 1] : 0), 1);
        total = _mm512_add_epi32(total, _mm512_mullo_epi32(sum, rowWeights));
    }
    const __m256i halves = _mm256_add_epi32(_mm512_castsi512_si256(total), _mm512_extracti64x4_epi64(total, 1));
    const __m128i folded = _mm_add_epi32(_mm256_castsi256_si128(halves), _mm256_extracti128_si256(halves, 1));
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), folded);
    packed8Out(lanes, out);
}

// AVX-512 16-bit: two rows in one register of doubles, the top row's four
// channels in the low half and the bottom row's in the high half. Every sum
// is an exact integer, so the halves can be folded in any order at the end.
template <int Taps>
TWL_AVX512 void rgba16Avx512(const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    const __m512d rowScale = _mm512_set1_pd(1.0 / 32768.0);
    __m512d total = _mm512_setzero_pd();
    for (int i = 0; i < Taps; i += 2) {
        const bool second = i + 1 < Taps;
        const uint8_t* top = corner + i * rowBytes;
        const uint8_t* bottom = second ? top + rowBytes : top;
        __m512d sum = _mm512_setzero_pd();
        for (int j = 0; j < Taps; ++j) {
            const __m128i pixels = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + 8 * j)),
                                                      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + 8 * j)));
            const __m512d channels = _mm512_cvtepi32_pd(_mm256_cvtepu16_epi32(pixels));
            sum = _mm512_add_pd(sum, _mm512_mul_pd(channels, _mm512_set1_pd(double(w.x[j]))));
        }
        const __m512d divided = _mm512_cvtepi32_pd(_mm512_cvttpd_epi32(_mm512_mul_pd(sum, rowScale)));
        const __m512d rowWeights = _mm512_insertf64x4(_mm512_set1_pd(double(w.y[i])),
                                                      _mm256_set1_pd(second ? double(w.y[i + 1]) : 0.0), 1);
        total = _mm512_add_pd(total, _mm512_mul_pd(divided, rowWeights));
    }
    const __m256d folded = _mm256_add_pd(_mm512_castpd512_pd256(total), _mm512_extractf64x4_pd(total, 1));
    alignas(32) double totals[4];
    _mm256_store_pd(totals, folded);
    for (int c = 0; c < 4; ++c) out[c] = float(int64_t(totals[c])) * kRgba16Finish;
}

// Float windows: the four channels of a pixel side by side, each lane doing
// exactly the plain loop's multiplications and additions in its order (taps
// from the right and from the bottom, each sum starting from zero).
template <int Taps>
inline __attribute__((always_inline)) void float4Window(const uint8_t* corner, int64_t rowBytes,
                                                        const FloatTapWeights& w, float (&out)[4]) {
    const __m128 zero = _mm_setzero_ps();
    __m128 total = zero;
    for (int ky = 0; ky < Taps; ++ky) {
        const uint8_t* row = corner + (Taps - 1 - ky) * rowBytes;
        __m128 sum = zero;
        for (int kx = 0; kx < Taps; ++kx) {
            const __m128 pixel = _mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * (Taps - 1 - kx)));
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w.x[kx]), pixel));
        }
        total = _mm_add_ps(total, _mm_mul_ps(sum, _mm_set1_ps(w.y[ky])));
    }
    _mm_storeu_ps(out, total);
}

template <int Taps>
void float4Sse2(const uint8_t* corner, int64_t rowBytes, const FloatTapWeights& w, float (&out)[4]) {
    float4Window<Taps>(corner, rowBytes, w, out);
}

// AVX2 float: two tap rows side by side in one register (the earlier tap in
// the low half), each lane still adding its row's taps in the plain loop's
// order; the two weighted rows then join the total one after the other.
template <int Taps>
TWL_AVX2 void float4Avx2(const uint8_t* corner, int64_t rowBytes, const FloatTapWeights& w, float (&out)[4]) {
    __m128 total = _mm_setzero_ps();
    int ky = 0;
    for (; ky + 1 < Taps; ky += 2) {
        const uint8_t* earlier = corner + (Taps - 1 - ky) * rowBytes;
        const uint8_t* later = earlier - rowBytes;
        __m256 sum = _mm256_setzero_ps();
        for (int kx = 0; kx < Taps; ++kx) {
            const int64_t at = 16 * (Taps - 1 - kx);
            const __m256 pixels =
                _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(reinterpret_cast<const float*>(earlier + at))),
                                     _mm_loadu_ps(reinterpret_cast<const float*>(later + at)), 1);
            sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_set1_ps(w.x[kx]), pixels));
        }
        const __m256 rowWeights =
            _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_set1_ps(w.y[ky])), _mm_set1_ps(w.y[ky + 1]), 1);
        const __m256 weighted = _mm256_mul_ps(sum, rowWeights);
        total = _mm_add_ps(total, _mm256_castps256_ps128(weighted));
        total = _mm_add_ps(total, _mm256_extractf128_ps(weighted, 1));
    }
    for (; ky < Taps; ++ky) {
        const uint8_t* row = corner + (Taps - 1 - ky) * rowBytes;
        __m128 sum = _mm_setzero_ps();
        for (int kx = 0; kx < Taps; ++kx) {
            const __m128 pixel = _mm_loadu_ps(reinterpret_cast<const float*>(row + 16 * (Taps - 1 - kx)));
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w.x[kx]), pixel));
        }
        total = _mm_add_ps(total, _mm_mul_ps(sum, _mm_set1_ps(w.y[ky])));
    }
    _mm_storeu_ps(out, total);
}

}  // namespace

void packed8WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    if (taps == 5) packed8Sse2<5>(corner, rowBytes, w, out);
    else packed8Sse2<7>(corner, rowBytes, w, out);
}
void rgba16WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    if (taps == 5) rgba16Sse2<5>(corner, rowBytes, w, out);
    else rgba16Sse2<7>(corner, rowBytes, w, out);
}
void packed8WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    if (taps == 5) packed8Avx2<5>(corner, rowBytes, w, out);
    else packed8Avx2<7>(corner, rowBytes, w, out);
}
void rgba16WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    if (taps == 5) rgba16Avx2<5>(corner, rowBytes, w, out);
    else rgba16Avx2<7>(corner, rowBytes, w, out);
}
void packed8WindowAvx512(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    if (taps == 5) packed8Avx512<5>(corner, rowBytes, w, out);
    else packed8Avx512<7>(corner, rowBytes, w, out);
}
void rgba16WindowAvx512(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]) {
    if (taps == 5) rgba16Avx512<5>(corner, rowBytes, w, out);
    else rgba16Avx512<7>(corner, rowBytes, w, out);
}
void float4WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const FloatTapWeights& w, float (&out)[4]) {
    if (taps == 5) float4Sse2<5>(corner, rowBytes, w, out);
    else float4Sse2<7>(corner, rowBytes, w, out);
}
void float4WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const FloatTapWeights& w, float (&out)[4]) {
    if (taps == 5) float4Avx2<5>(corner, rowBytes, w, out);
    else float4Avx2<7>(corner, rowBytes, w, out);
}

#endif
