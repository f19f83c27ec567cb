// The carried-row-sum kernel of the 16-bit and float storages, built once
// per instruction level: included by the base level's file and, after it
// sets the AVX2 target, by the AVX2 file, each with its own copy (internal
// linkage). See tap_row_cache.h for what is carried and why it is exact.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "kernels/sampler_positions.h"
#include "kernels/tap_row_cache.h"
#include "kernels/vector_levels.h"

#if defined(TWL_X86_VECTORS)
#include <immintrin.h>
#endif

namespace {

using namespace sampler_positions;

template <int Taps>
const int32_t (&integerWeights(const WeightTables& tables))[Taps][kPhases] {
    if constexpr (Taps == 5) return tables.taps5Scaled32768;
    else return tables.taps7Scaled32768;
}
template <int Taps>
const float (&realWeights(const WeightTables& tables))[Taps][kPhases] {
    if constexpr (Taps == 5) return tables.taps5Copy;
    else return tables.taps7;
}

inline uint16_t loadU16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline float loadF32(const uint8_t* p) {
    float v;
    std::memcpy(&v, p, 4);
    return v;
}

#ifndef TWL_INLINE
#define TWL_INLINE inline __attribute__((always_inline))
#endif
#define TWL_INLINE_LAMBDA __attribute__((always_inline))

// One tap row weighted across, as the plain kernel makes it: taps in order
// (tap 0 weights the rightmost pixel); a 16-bit sum divided by 32768 toward
// zero, a float sum added from zero in tap order. A 16-bit row sum is an
// integer well inside a float's exact range and is kept as one.
#if defined(TWL_X86_VECTORS)
#if defined(TWL_TAP_ROWS_AVX2)
// AVX2 16-bit: the four channels of a pixel in one register of doubles.
template <int Taps>
TWL_INLINE void rowSum(const uint8_t* const (&pixels)[Taps], const int32_t (&weights)[Taps], float* sum) {
    __m256d s[2] = {_mm256_setzero_pd(), _mm256_setzero_pd()};
#pragma GCC unroll 8
    for (int k = 0; k < Taps; ++k) {
        const __m128i pixel = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels[Taps - 1 - k]));
        const __m256d channels = _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(pixel));
        s[k & 1] = _mm256_add_pd(s[k & 1], _mm256_mul_pd(channels, _mm256_set1_pd(double(weights[k]))));
    }
    const __m256d divided = _mm256_mul_pd(_mm256_add_pd(s[0], s[1]), _mm256_set1_pd(1.0 / 32768.0));
    _mm_storeu_ps(sum, _mm_cvtepi32_ps(_mm256_cvttpd_epi32(divided)));
}
template <int Taps, class RowAt>
TWL_INLINE void columnSum(const double* weights, RowAt rowAt, float (&out)[4]) {
    __m256d total[2] = {_mm256_setzero_pd(), _mm256_setzero_pd()};
#pragma GCC unroll 8
    for (int k = 0; k < Taps; ++k) {
        const __m256d row = _mm256_cvtps_pd(_mm_loadu_ps(rowAt(k)));
        total[k & 1] = _mm256_add_pd(total[k & 1], _mm256_mul_pd(row, _mm256_set1_pd(weights[k])));
    }
    // The exact integer totals rounded to float, as the plain kernel's
    // conversion from 64-bit integers rounds them, then times 2^-15.
    const __m128 totals = _mm256_cvtpd_ps(_mm256_add_pd(total[0], total[1]));
    _mm_storeu_ps(out, _mm_mul_ps(totals, _mm_set1_ps(1.0f / 32768.0f)));
}
#else
// 16-bit: in doubles, two channels per register. Every product and sum is an
// integer below 2^53, so the order of the additions does not matter, and a
// sum times 2^-15 truncates to the integer division's value.
template <int Taps>
TWL_INLINE void rowSum(const uint8_t* const (&pixels)[Taps], const int32_t (&weights)[Taps], float* sum) {
    const __m128i zero = _mm_setzero_si128();
    __m128d low[2] = {_mm_setzero_pd(), _mm_setzero_pd()}, high[2] = {_mm_setzero_pd(), _mm_setzero_pd()};
#pragma GCC unroll 8
    for (int k = 0; k < Taps; ++k) {
        const __m128i pixel = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels[Taps - 1 - k]));
        const __m128i channels = _mm_unpacklo_epi16(pixel, zero);
        const __m128d w = _mm_set1_pd(double(weights[k]));
        low[k & 1] = _mm_add_pd(low[k & 1], _mm_mul_pd(_mm_cvtepi32_pd(channels), w));
        high[k & 1] = _mm_add_pd(high[k & 1], _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(channels, 8)), w));
    }
    const __m128d scale = _mm_set1_pd(1.0 / 32768.0);
    const __m128i a = _mm_cvttpd_epi32(_mm_mul_pd(_mm_add_pd(low[0], low[1]), scale));
    const __m128i b = _mm_cvttpd_epi32(_mm_mul_pd(_mm_add_pd(high[0], high[1]), scale));
    _mm_storeu_ps(sum, _mm_cvtepi32_ps(_mm_unpacklo_epi64(a, b)));
}
// The 16-bit row sums weighted down in doubles, two channels per register.
template <int Taps, class RowAt>
TWL_INLINE void columnSum(const double* weights, RowAt rowAt, float (&out)[4]) {
    __m128d low[2] = {_mm_setzero_pd(), _mm_setzero_pd()}, high[2] = {_mm_setzero_pd(), _mm_setzero_pd()};
#pragma GCC unroll 8
    for (int k = 0; k < Taps; ++k) {
        const __m128 row = _mm_loadu_ps(rowAt(k));
        const __m128d w = _mm_set1_pd(weights[k]);
        low[k & 1] = _mm_add_pd(low[k & 1], _mm_mul_pd(_mm_cvtps_pd(row), w));
        high[k & 1] = _mm_add_pd(high[k & 1], _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(row, row)), w));
    }
    // The exact integer totals rounded to float, as the plain kernel's
    // conversion from 64-bit integers rounds them, then times 2^-15.
    const __m128 totals = _mm_movelh_ps(_mm_cvtpd_ps(_mm_add_pd(low[0], low[1])),
                                        _mm_cvtpd_ps(_mm_add_pd(high[0], high[1])));
    _mm_storeu_ps(out, _mm_mul_ps(totals, _mm_set1_ps(1.0f / 32768.0f)));
}
#endif
template <int Taps>
TWL_INLINE void rowSum(const uint8_t* const (&pixels)[Taps], const float (&weights)[Taps], float* sum) {
    __m128 s = _mm_setzero_ps();
#pragma GCC unroll 8
    for (int k = 0; k < Taps; ++k) {
        const __m128 v = _mm_loadu_ps(reinterpret_cast<const float*>(pixels[Taps - 1 - k]));
        s = _mm_add_ps(s, _mm_mul_ps(_mm_set1_ps(weights[k]), v));
    }
    _mm_storeu_ps(sum, s);
}

// The row sums weighted down, tap 0 (the bottom row) first; rowAt(k) is tap k's row sum.
template <int Taps, class RowAt>
TWL_INLINE void columnSum(const float* weights, RowAt rowAt, float (&out)[4]) {
    __m128 total = _mm_setzero_ps();
#pragma GCC unroll 8
    for (int k = 0; k < Taps; ++k)
        total = _mm_add_ps(total, _mm_mul_ps(_mm_loadu_ps(rowAt(k)), _mm_set1_ps(weights[k])));
    _mm_storeu_ps(out, total);
}
#else
template <int Taps>
TWL_INLINE void rowSum(const uint8_t* const (&pixels)[Taps], const int32_t (&weights)[Taps], float* sum) {
    int64_t s[4] = {};
    for (int k = 0; k < Taps; ++k) {
        const uint8_t* v = pixels[Taps - 1 - k];
        const int64_t w = weights[k];
        for (int c = 0; c < 4; ++c) s[c] += w * int64_t(loadU16(v + 2 * c));
    }
    for (int c = 0; c < 4; ++c) sum[c] = float(s[c] / 32768);
}
template <int Taps>
TWL_INLINE void rowSum(const uint8_t* const (&pixels)[Taps], const float (&weights)[Taps], float* sum) {
    float s[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < Taps; ++k) {
        const uint8_t* v = pixels[Taps - 1 - k];
        const float w = weights[k];
        for (int c = 0; c < 4; ++c) s[c] += w * loadF32(v + 4 * c);
    }
    for (int c = 0; c < 4; ++c) sum[c] = s[c];
}
template <int Taps, class RowAt>
TWL_INLINE void columnSum(const int32_t* weights, RowAt rowAt, float (&out)[4]) {
    int64_t total[4] = {};
    for (int k = 0; k < Taps; ++k) {
        const float* row = rowAt(k);
        for (int c = 0; c < 4; ++c) total[c] += int64_t(row[c]) * weights[k];
    }
    for (int c = 0; c < 4; ++c) out[c] = float(total[c]) * (1.0f / 32768.0f);  // 2^-15
}
template <int Taps, class RowAt>
TWL_INLINE void columnSum(const float* weights, RowAt rowAt, float (&out)[4]) {
    float total[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < Taps; ++k) {
        const float* row = rowAt(k);
        for (int c = 0; c < 4; ++c) total[c] += row[c] * weights[k];
    }
    for (int c = 0; c < 4; ++c) out[c] = total[c];
}
#endif

template <int Taps, bool Real>
void tapRowKernel(const Pyramid& p, int level, float x, const TapRows& rows, TapRowSlots<Taps>& s, uint32_t epoch,
                  float (&out)[4]) {
    using Weight = std::conditional_t<Real, float, int32_t>;
#if defined(TWL_X86_VECTORS)
    using WeightY = std::conditional_t<Real, float, double>;  // the x86 sums down are in doubles
#else
    using WeightY = Weight;
#endif
    constexpr int kHalf = Taps / 2;
    const AxisPosition ax = axisPosition(levelX(p, level, x));
    const int width = p.width[level];
    const int bytes = p.bytesPerPixel;

    const WeightY* weightsY;
    if constexpr (Real) {
        weightsY = rows.realY;
    } else {
#if defined(TWL_X86_VECTORS)
        weightsY = rows.integerYWide;
#else
        weightsY = rows.integerY;
#endif
    }

    // The weights across and the window's columns, left to right (one run
    // inside a tile, or each column by the edge rule and its own tile), are
    // only looked up when a row has to be weighed: mostly every row is held.
    Weight weightsX[Taps];
    const int left = ax.base - kHalf;
    const bool run = left >= 0 && ax.base + kHalf <= width - 1 && (left & kTileMask) <= kTileSize - Taps;
    int columns[Taps];
    const auto lookUpAcross = [&]() TWL_INLINE_LAMBDA {
        if constexpr (Real) {
            const auto& w = realWeights<Taps>(*p.weights);
#pragma GCC unroll 8
            for (int k = 0; k < Taps; ++k) weightsX[k] = w[k][ax.phase];
        } else {
            const auto& w = integerWeights<Taps>(*p.weights);
#pragma GCC unroll 8
            for (int k = 0; k < Taps; ++k) weightsX[k] = w[k][ax.phase];
        }
        if (!run) {
            const bool wrapColumns = p.edgeMode == kEdgeWrap || p.edgeMode == kEdgeWrapHorizontal;
            for (int j = 0; j < Taps; ++j) columns[j] = edgeIndex(ax.base, j - kHalf, width, wrapColumns);
        }
    };
    const auto weighRow = [&](int row, float* sum) TWL_INLINE_LAMBDA {
        const uint8_t* pixels[Taps];
        if (run) {
            const uint8_t* first = p.pixelInside(level, left, row);
#pragma GCC unroll 8
            for (int j = 0; j < Taps; ++j) pixels[j] = first + j * bytes;
        } else {
            for (int j = 0; j < Taps; ++j) pixels[j] = p.pixelInside(level, columns[j], row);
        }
        rowSum<Taps>(pixels, weightsX, sum);
    };

    // Level row r's sum lives at place r mod Taps of the position's slot;
    // a row that finds its place taken by another row of this same window
    // (rows wrapped around a small level) is weighed aside.
    TapRowSlot<Taps>& slot = s.slots[(size_t(ax.base) << s.shift) | size_t(ax.phase >> (7 - s.shift))];
    if (slot.epoch != epoch || slot.phase != ax.phase) {
        slot.epoch = epoch;
        slot.phase = ax.phase;
        std::fill(std::begin(slot.held), std::end(slot.held), -1);
    }
    const float* sums[Taps];  // from the top
    float aside[Taps][4];
    // The rows to weigh, found first so that one loop weighs them.
    int missing[Taps];
    float* missingTo[Taps];
    int missingCount = 0;
    unsigned placed = 0;  // places that hold a row of this window
#pragma GCC unroll 8
    for (int i = 0; i < Taps; ++i) {
        const int row = rows.rows[i];
        const int place = rows.places[i];
        float* to = slot.sums[place];
        if (slot.held[place] != row) {
            if (placed & (1u << place)) {
                to = aside[i];
            } else {
                slot.held[place] = row;
                placed |= 1u << place;
            }
            missing[missingCount] = row;
            missingTo[missingCount++] = to;
        } else {
            placed |= 1u << place;
        }
        sums[i] = to;
    }
    if (missingCount > 0) {
        lookUpAcross();
        for (int m = 0; m < missingCount; ++m) weighRow(missing[m], missingTo[m]);
    }
    columnSum<Taps>(weightsY, [&](int k) TWL_INLINE_LAMBDA { return sums[Taps - 1 - k]; }, out);
}

// This file's kernels, as a table entry.
constexpr TapRowKernels tapRowKernelsHere() {
    return TapRowKernels{tapRowKernel<5, false>, tapRowKernel<5, true>, tapRowKernel<7, false>, tapRowKernel<7, true>};
}

}  // namespace
