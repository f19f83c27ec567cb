// Row sums of the 16-bit and float level kernels, carried down the rows of a pass.
#include "kernels/tap_row_cache.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>

#include "kernels/sampler_positions.h"
#include "kernels/vector_levels.h"

#if defined(TWL_X86_VECTORS)
#include <emmintrin.h>
#endif

using namespace sampler_positions;

namespace {

constexpr int tableIndex(int taps) { return taps == 5 ? 0 : 1; }

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

#define TWL_INLINE inline __attribute__((always_inline))
#define TWL_INLINE_LAMBDA __attribute__((always_inline))

// One tap row weighted across, as the plain kernel makes it: taps in order
// (tap 0 weights the rightmost pixel); a 16-bit sum divided by 32768 toward
// zero, a float sum added from zero in tap order. A 16-bit row sum is an
// integer well inside a float's exact range and is kept as one.
#if defined(TWL_X86_VECTORS)
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
// Float: the four channels side by side, each lane the plain loop's order.
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
TWL_INLINE void columnSum(const int32_t* weights, RowAt rowAt, float (&out)[4]) {
    __m128d low[2] = {_mm_setzero_pd(), _mm_setzero_pd()}, high[2] = {_mm_setzero_pd(), _mm_setzero_pd()};
#pragma GCC unroll 8
    for (int k = 0; k < Taps; ++k) {
        const __m128 row = _mm_loadu_ps(rowAt(k));
        const __m128d w = _mm_set1_pd(double(weights[k]));
        low[k & 1] = _mm_add_pd(low[k & 1], _mm_mul_pd(_mm_cvtps_pd(row), w));
        high[k & 1] = _mm_add_pd(high[k & 1], _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(row, row)), w));
    }
    // The exact integer totals rounded to float, as the plain kernel's
    // conversion from 64-bit integers rounds them, then times 2^-15.
    const __m128 totals = _mm_movelh_ps(_mm_cvtpd_ps(_mm_add_pd(low[0], low[1])),
                                        _mm_cvtpd_ps(_mm_add_pd(high[0], high[1])));
    _mm_storeu_ps(out, _mm_mul_ps(totals, _mm_set1_ps(1.0f / 32768.0f)));
}
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

}  // namespace

uint64_t newSourceSerial() {
    static std::atomic<uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void TapRowCache::start(const Pyramid& pyramid, float y, uint64_t serial) {
    if (serial == 0 || serial != serial_ || &pyramid != pyramid_) {
        if (++epoch_ == 0) {
            // After 2^32 epochs an old slot could look current: forget them all.
            for (Slots<5>& s : slots5_) std::fill(s.slots.begin(), s.slots.end(), Slot<5>{});
            for (Slots<7>& s : slots7_) std::fill(s.slots.begin(), s.slots.end(), Slot<7>{});
            epoch_ = 1;
        }
    }
    pyramid_ = &pyramid;
    serial_ = serial;
    y_ = y;
    real_ = pyramid.storageType == kStorageFloat4;
    for (auto& table : rows_)
        for (LevelRows& r : table) r.ready = false;
}

template <int Taps>
TWL_INLINE TapRowCache::Slots<Taps>& TapRowCache::slotsOf(int level) {
    if constexpr (Taps == 5) return slots5_[level];
    else return slots7_[level];
}

template <int Taps>
TWL_INLINE const TapRowCache::LevelRows& TapRowCache::levelRows(int level) {
    LevelRows& r = rows_[tableIndex(Taps)][level];
    if (r.ready) return r;
    const Pyramid& p = *pyramid_;
    constexpr int kHalf = Taps / 2;
    const AxisPosition ay = axisPosition(levelY(p, level, y_));
    const bool wrapRows = p.edgeMode == kEdgeWrap;
    for (int i = 0; i < Taps; ++i) r.rows[i] = edgeIndex(ay.base, i - kHalf, p.height[level], wrapRows);
    const auto& integer = integerWeights<Taps>(*p.weights);
    const auto& real = realWeights<Taps>(*p.weights);
    for (int k = 0; k < Taps; ++k) {
        r.integerY[k] = integer[k][ay.phase];
        r.realY[k] = real[k][ay.phase];
    }
    // A slot for every base column 0..width and phase group.
    Slots<Taps>& s = slotsOf<Taps>(level);
    s.shift = std::min(level, 7);
    const size_t count = size_t(p.width[level] + 1) << s.shift;
    if (s.slots.size() < count) s.slots.resize(count);
    r.ready = true;
    return r;
}

template <int Taps>
void TapRowCache::kernel(int level, float x, float (&out)[4]) {
    if (real_) kernelOf<Taps, true>(level, x, out);
    else kernelOf<Taps, false>(level, x, out);
}

template <int Taps, bool Real>
TWL_INLINE void TapRowCache::kernelOf(int level, float x, float (&out)[4]) {
    using Weight = std::conditional_t<Real, float, int32_t>;
    constexpr int kHalf = Taps / 2;
    const Pyramid& p = *pyramid_;
    const LevelRows& rows = levelRows<Taps>(level);
    const AxisPosition ax = axisPosition(levelX(p, level, x));
    const int width = p.width[level];
    const int bytes = p.bytesPerPixel;

    Weight weightsX[Taps];
    const Weight* weightsY;
    if constexpr (Real) {
        const auto& w = realWeights<Taps>(*p.weights);
#pragma GCC unroll 8
        for (int k = 0; k < Taps; ++k) weightsX[k] = w[k][ax.phase];
        weightsY = rows.realY;
    } else {
        const auto& w = integerWeights<Taps>(*p.weights);
#pragma GCC unroll 8
        for (int k = 0; k < Taps; ++k) weightsX[k] = w[k][ax.phase];
        weightsY = rows.integerY;
    }

    // The window's columns, left to right: one run inside a tile, or each
    // column by the edge rule and its own tile.
    const int left = ax.base - kHalf;
    const bool run = left >= 0 && ax.base + kHalf <= width - 1 && (left & kTileMask) <= kTileSize - Taps;
    int columns[Taps];
    if (!run) {
        const bool wrapColumns = p.edgeMode == kEdgeWrap || p.edgeMode == kEdgeWrapHorizontal;
        for (int j = 0; j < Taps; ++j) columns[j] = edgeIndex(ax.base, j - kHalf, width, wrapColumns);
    }
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
    Slots<Taps>& s = slotsOf<Taps>(level);
    Slot<Taps>& slot = s.slots[(size_t(ax.base) << s.shift) | size_t(ax.phase >> (7 - s.shift))];
    if (slot.epoch != epoch_ || slot.phase != ax.phase) {
        slot.epoch = epoch_;
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
        const int place = row % Taps;
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
    for (int m = 0; m < missingCount; ++m) weighRow(missing[m], missingTo[m]);
    columnSum<Taps>(weightsY, [&](int k) TWL_INLINE_LAMBDA { return sums[Taps - 1 - k]; }, out);
}

template void TapRowCache::kernel<5>(int, float, float (&)[4]);
template void TapRowCache::kernel<7>(int, float, float (&)[4]);
