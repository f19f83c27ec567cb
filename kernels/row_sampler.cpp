// Row sampler: vertical tap sums shared along the row, then the taps across.
#include "kernels/row_sampler.h"

#include <algorithm>
#include <type_traits>

#include "kernels/sampler_positions.h"
#include "kernels/samplers.h"

#include "kernels/speed_settings.h"
#include "kernels/vector_levels.h"

#if defined(TWL_X86_VECTORS)
#include <emmintrin.h>
#endif

#define TWL_INLINE inline __attribute__((always_inline))

using namespace sampler_positions;

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "a packed word keeps red in its highest byte");
// Byte of each colour channel (red, green, blue, coverage) in a packed word.
constexpr int kPackedByte[4] = {3, 2, 1, 0};

template <int Taps>
const int32_t (&scaledWeights(const WeightTables& tables))[Taps][kPhases] {
    if constexpr (Taps == 5) return tables.taps5Scaled2048;
    else return tables.taps7Scaled2048;
}

// Whether the taps across are weighted with AVX2 (the wide entries below).
constexpr LevelTable<bool> kWideWeighting = {false, false, true, true};

constexpr int tableIndex(int taps) { return taps == 5 ? 0 : 1; }

void blendToward(float (&lower)[4], const float (&upper)[4], float fraction) {
    for (int c = 0; c < 4; ++c) lower[c] = lower[c] + (upper[c] - lower[c]) * fraction;
}

// sums[i] = the taps' weighted sum of byte i of each row, for `count` bytes.
template <int Taps>
void weightedRowSums(const uint8_t* const (&rows)[Taps], const int32_t (&weights)[Taps], int count, int32_t* sums) {
    int i = 0;
#if defined(TWL_X86_VECTORS)
    // Two rows at a time: bytes widened to 16 bits, interleaved row by row,
    // and multiplied by the two rows' weights with one multiply-add.
    const __m128i zero = _mm_setzero_si128();
    __m128i pairWeights[(Taps + 1) / 2];
    for (int k = 0; k < Taps; k += 2) {
        const int32_t next = k + 1 < Taps ? weights[k + 1] : 0;
        pairWeights[k / 2] = _mm_set1_epi32(int32_t(uint32_t(next) << 16 | (uint32_t(weights[k]) & 0xFFFFu)));
    }
    for (; i + 16 <= count; i += 16) {
        __m128i acc[4] = {zero, zero, zero, zero};
        for (int k = 0; k < Taps; k += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i b = k + 1 < Taps ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i)) : zero;
            const __m128i aLow = _mm_unpacklo_epi8(a, zero), aHigh = _mm_unpackhi_epi8(a, zero);
            const __m128i bLow = _mm_unpacklo_epi8(b, zero), bHigh = _mm_unpackhi_epi8(b, zero);
            const __m128i w = pairWeights[k / 2];
            acc[0] = _mm_add_epi32(acc[0], _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), w));
            acc[1] = _mm_add_epi32(acc[1], _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), w));
            acc[2] = _mm_add_epi32(acc[2], _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), w));
            acc[3] = _mm_add_epi32(acc[3], _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), w));
        }
        for (int q = 0; q < 4; ++q) _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i + 4 * q), acc[q]);
    }
#endif
    for (; i < count; ++i) {
        int32_t sum = 0;
        for (int k = 0; k < Taps; ++k) sum += weights[k] * int32_t(rows[k][i]);
        sums[i] = sum;
    }
}

}  // namespace

void RowSampler::start(const Pyramid& pyramid, float y, uint64_t sourceSerial) {
    pyramid_ = &pyramid;
    y_ = clampUnit(y);
    shared_ = samplable(pyramid) &&
              (pyramid.storageType == kStoragePacked8 || pyramid.storageType == kStorageGrey8);
    channels_ = pyramid.storageType == kStoragePacked8 ? 4 : 1;
    wide_ = channels_ == 4 && kWideWeighting[activeSimdLevel()];
    windowed_ = samplable(pyramid) && activeSimdLevel() != SimdLevel::scalar &&
                (pyramid.storageType == kStorageRgba16 || pyramid.storageType == kStorageFloat4);
    if (windowed_) tapRows_.start(pyramid, y_, sourceSerial);
    for (auto& table : ready_) std::fill(std::begin(table), std::end(table), false);
}

template <int Taps>
TWL_INLINE RowSampler::LevelSums& RowSampler::levelSums(int level) {
    LevelSums& sums = levels_[tableIndex(Taps)][level];
    if (!ready_[tableIndex(Taps)][level]) prepare<Taps>(sums, level);
    return sums;
}

// The level rows under the row's taps and their weights; no columns yet.
template <int Taps>
void RowSampler::prepare(LevelSums& sums, int level) {
    const Pyramid& p = *pyramid_;
    constexpr int kHalf = Taps / 2;
    const auto& weights = scaledWeights<Taps>(*p.weights);
    const AxisPosition ay = axisPosition(levelY(p, level, y_));
    const bool wrapRows = p.edgeMode == kEdgeWrap;
    for (int k = 0; k < Taps; ++k) {
        sums.rows[k] = edgeIndex(ay.base, kHalf - k, p.height[level], wrapRows);
        sums.weights[k] = weights[k][ay.phase];
    }
    sums.first = 0;
    sums.last = -1;
    const size_t size = size_t(p.width[level]) * size_t(channels_);
    if (sums.sums.size() < size) sums.sums.resize(size);
    ready_[tableIndex(Taps)][level] = true;
}

template <int Taps>
void RowSampler::extend(LevelSums& sums, int level, int first, int last) {
    const Pyramid& p = *pyramid_;
    const int bytes = channels_;
    // Column by column through the tiles the range crosses.
    for (int column = first; column <= last;) {
        const int end = std::min(last, column | kTileMask);
        const uint8_t* rows[Taps];
        for (int k = 0; k < Taps; ++k) rows[k] = p.pixelInside(level, column, sums.rows[k]);
        int32_t weights[Taps];
        std::copy(sums.weights, sums.weights + Taps, weights);
        weightedRowSums<Taps>(rows, weights, (end - column + 1) * bytes, sums.sums.data() + size_t(column) * bytes);
        column = end + 1;
    }
}

template <int Taps>
void RowSampler::cover(LevelSums& sums, int level, int first, int last) {
    // A row's samples mostly move one way along the level: a range grows
    // by whole runs of columns, so that each extension is worth its set-up.
    constexpr int kRun = 64;
    const int lastColumn = pyramid_->width[level] - 1;
    if (sums.last < sums.first) {
        const int end = std::min(lastColumn, std::max(last, first + kRun - 1));
        extend<Taps>(sums, level, first, end);
        sums.first = first;
        sums.last = end;
        return;
    }
    if (first < sums.first) {
        const int start = std::max(0, std::min(first, sums.first - kRun));
        extend<Taps>(sums, level, start, sums.first - 1);
        sums.first = start;
    }
    if (last > sums.last) {
        const int end = std::min(lastColumn, std::max(last, sums.last + kRun));
        extend<Taps>(sums, level, sums.last + 1, end);
        sums.last = end;
    }
}

template <int Taps, int Channels>
TWL_INLINE void RowSampler::kernel(int level, float x, float (&out)[4]) {
    const Pyramid& p = *pyramid_;
    constexpr int kHalf = Taps / 2;
    LevelSums& sums = levelSums<Taps>(level);
    const AxisPosition ax = axisPosition(levelX(p, level, x));
    const int width = p.width[level];
    const int32_t* column[Taps];
    if (ax.base >= kHalf && ax.base + kHalf < width) {
        // Inside the level every edge rule gives the plain neighbours.
        const int lowest = ax.base - kHalf, highest = ax.base + kHalf;
        if (lowest < sums.first || highest > sums.last) cover<Taps>(sums, level, lowest, highest);
        const int32_t* left = sums.sums.data() + size_t(lowest) * Channels;
#pragma GCC unroll 7
        for (int k = 0; k < Taps; ++k) column[k] = left + (Taps - 1 - k) * Channels;
    } else {
        const bool wrapColumns = p.edgeMode == kEdgeWrap || p.edgeMode == kEdgeWrapHorizontal;
        int columns[Taps];
        int lowest = width, highest = -1;
        for (int k = 0; k < Taps; ++k) {
            columns[k] = edgeIndex(ax.base, kHalf - k, width, wrapColumns);
            lowest = std::min(lowest, columns[k]);
            highest = std::max(highest, columns[k]);
        }
        if (lowest < sums.first || highest > sums.last) cover<Taps>(sums, level, lowest, highest);
        for (int k = 0; k < Taps; ++k) column[k] = sums.sums.data() + size_t(columns[k]) * Channels;
    }

    const auto& weights = scaledWeights<Taps>(*p.weights);
    // 2^-22: both axes' weights sum to 2048.
    constexpr float kScale = 1.0f / 4194304.0f;
    int32_t total[Channels] = {};
#pragma GCC unroll 7
    for (int k = 0; k < Taps; ++k) {
        const int32_t w = weights[k][ax.phase];
        for (int b = 0; b < Channels; ++b) total[b] += w * column[k][b];
    }
    if constexpr (Channels == 1) {
        out[0] = float(total[0]) * kScale;
        out[1] = out[2] = out[3] = 0.0f;
    } else {
        for (int c = 0; c < 4; ++c) out[c] = float(total[kPackedByte[c]]) * kScale;
    }
}


// The window kernel of a kernel size given as a type, for the blends below.
TWL_INLINE auto RowSampler::windowed() {
    return [this](auto taps, int level, float x, float (&out)[4]) { if constexpr (decltype(taps)::value == 5) tapRows_.kernel5(level, x, out);
        else tapRows_.kernel7(level, x, out); };
}

// The fast sampler's blend of two levels, as the per-pixel sampler makes it.
template <class Kernel>
TWL_INLINE EffectColor RowSampler::fastBy(Kernel kernel, int level, float fraction, float x) {
    const Pyramid& p = *pyramid_;
    const int n = samplerLevel(p, level);
    x = clampUnit(x);
    float c[4];
    kernel(std::integral_constant<int, 5>{}, n, x, c);
    if (fraction != 0.0f) {
        float next[4];
        kernel(std::integral_constant<int, 5>{}, n + 1, x, next);
        blendToward(c, next, fraction);
    }
    const float s = p.inverseFullScale;
    return EffectColor{c[0] * s, c[1] * s, c[2] * s, c[3] * s};
}

// The high-quality sampler's blend of the 7 x 7 kernels, as the per-pixel sampler makes it.
template <class Kernel>
TWL_INLINE EffectColor RowSampler::highQualityBy(Kernel kernel, int level, float fraction, float x) {
    const Pyramid& p = *pyramid_;
    const int n = samplerLevel(p, level);
    x = clampUnit(x);
    const float s = p.inverseFullScale;
    float lower[4];
    if (fraction == 0.0f) {
        kernel(std::integral_constant<int, 5>{}, n, x, lower);
    } else {
        if (n > 0) kernel(std::integral_constant<int, 7>{}, n - 1, x, lower);
        else kernel(std::integral_constant<int, 5>{}, 0, x, lower);
        float upper[4];
        kernel(std::integral_constant<int, 7>{}, n, x, upper);
        blendToward(lower, upper, fraction);
    }
    return EffectColor{lower[0] * s, lower[1] * s, lower[2] * s, lower[3] * s};
}

template <int Channels>
TWL_INLINE EffectColor RowSampler::fast(int level, float fraction, float x) {
    const Pyramid& p = *pyramid_;
    const int n = samplerLevel(p, level);
    x = clampUnit(x);
    float c[4];
    kernel<5, Channels>(n, x, c);
    if (fraction != 0.0f) {
        float next[4];
        kernel<5, Channels>(n + 1, x, next);
        blendToward(c, next, fraction);
    }
    const float s = p.inverseFullScale;
    if constexpr (Channels == 1) return EffectColor{c[0] * s, c[0] * s, c[0] * s, 255.0f * s};
    return EffectColor{c[0] * s, c[1] * s, c[2] * s, c[3] * s};
}

#if defined(TWL_X86_VECTORS)
// The same with the taps across in AVX2's 32-bit multiplies.
TWL_AVX2 EffectColor RowSampler::fastWide(int level, float fraction, float x) {
    return fast<4>(level, fraction, x);
}
#else
EffectColor RowSampler::fastWide(int level, float fraction, float x) { return fast<4>(level, fraction, x); }
#endif

template <int Channels>
TWL_INLINE void RowSampler::fastRun(int count, const int32_t* level, const float* fraction, const float* x,
                                    float* red, float* green, float* blue, float* coverage) {
    for (int i = 0; i < count; ++i) {
        const EffectColor c = fast<Channels>(level[i], fraction[i], x[i]);
        red[i] = c.red;
        green[i] = c.green;
        blue[i] = c.blue;
        coverage[i] = c.coverage;
    }
}

#if defined(TWL_X86_VECTORS)
TWL_AVX2 void RowSampler::fastRunWide(int count, const int32_t* level, const float* fraction,
                                                            const float* x, float* red, float* green, float* blue,
                                                            float* coverage) {
    fastRun<4>(count, level, fraction, x, red, green, blue, coverage);
}
#else
void RowSampler::fastRunWide(int count, const int32_t* level, const float* fraction, const float* x, float* red,
                             float* green, float* blue, float* coverage) {
    fastRun<4>(count, level, fraction, x, red, green, blue, coverage);
}
#endif

void RowSampler::sampleFastRun(int count, const int32_t* level, const float* fraction, const float* x, float* red,
                               float* green, float* blue, float* coverage) {
    if (shared_ && wide_) return fastRunWide(count, level, fraction, x, red, green, blue, coverage);
    if (shared_ && channels_ == 4) return fastRun<4>(count, level, fraction, x, red, green, blue, coverage);
    if (shared_) return fastRun<1>(count, level, fraction, x, red, green, blue, coverage);
    if (windowed_) {
        for (int i = 0; i < count; ++i) {
            const EffectColor c = fastBy(windowed(), level[i], fraction[i], x[i]);
            red[i] = c.red;
            green[i] = c.green;
            blue[i] = c.blue;
            coverage[i] = c.coverage;
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const EffectColor c = ::sampleFast(*pyramid_, level[i], fraction[i], x[i], y_);
        red[i] = c.red;
        green[i] = c.green;
        blue[i] = c.blue;
        coverage[i] = c.coverage;
    }
}

EffectColor RowSampler::sampleFast(int level, float fraction, float x) {
    if (windowed_) return fastBy(windowed(), level, fraction, x);
    if (!shared_) return ::sampleFast(*pyramid_, level, fraction, x, y_);
    if (wide_) return fastWide(level, fraction, x);
    return channels_ == 1 ? fast<1>(level, fraction, x) : fast<4>(level, fraction, x);
}

EffectColor RowSampler::sampleHighQuality(int level, float fraction, float x) {
    if (windowed_) return highQualityBy(windowed(), level, fraction, x);
    if (!shared_) return ::sampleHighQuality(*pyramid_, level, fraction, x, y_);
    if (channels_ == 1) return sampleFast(level, fraction, x);
    return highQualityBy([this](auto taps, int n, float at, float (&out)[4]) { kernel<decltype(taps)::value, 4>(n, at, out); },
                         level, fraction, x);
}

void RowSampler::sampleHighQualityRun(int count, const int32_t* level, const float* fraction, const float* x,
                                      float* red, float* green, float* blue, float* coverage) {
    // The 16-bit and float kernels inlined into one loop over the run;
    // the other storages a pixel at a time.
    const auto store = [&](int i, const EffectColor& c) {
        red[i] = c.red;
        green[i] = c.green;
        blue[i] = c.blue;
        coverage[i] = c.coverage;
    };
    if (windowed_) {
        for (int i = 0; i < count; ++i) store(i, highQualityBy(windowed(), level[i], fraction[i], x[i]));
        return;
    }
    for (int i = 0; i < count; ++i) store(i, sampleHighQuality(level[i], fraction[i], x[i]));
}
