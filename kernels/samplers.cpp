// The level kernels (5 x 5 and 7 x 7, by storage) and the two samplers.
#include "kernels/samplers.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "kernels/pyramid_pixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ---- Storage policies: how a pixel is read, how rows are summed, scaled ----

struct Grey8Storage {
    static constexpr int kChannels = 1;
    using Sum = int32_t;
    static void read(const uint8_t* p, int32_t (&v)[4]) { v[0] = *p; }
    static Sum finishRow(Sum rowSum) { return rowSum; }
    static float finish(Sum total) { return static_cast<float>(total) * (1.0f / 4194304.0f); }  // 2^-22
};

struct Packed8Storage {
    static constexpr int kChannels = 4;
    using Sum = int32_t;
    static void read(const uint8_t* p, int32_t (&v)[4]) {
        const uint32_t word = loadU32(p);
        v[0] = static_cast<int32_t>(word >> 24);
        v[1] = static_cast<int32_t>((word >> 16) & 0xFF);
        v[2] = static_cast<int32_t>((word >> 8) & 0xFF);
        v[3] = static_cast<int32_t>(word & 0xFF);
    }
    static Sum finishRow(Sum rowSum) { return rowSum; }
    static float finish(Sum total) { return static_cast<float>(total) * (1.0f / 4194304.0f); }
};

// 64-bit sums: identical to 32-bit ones for values up to 32768, and defined
// for stored values up to 65535 whose sums would overflow 32 bits.
struct Rgba16Storage {
    static constexpr int kChannels = 4;
    using Sum = int64_t;
    static void read(const uint8_t* p, int64_t (&v)[4]) {
        v[0] = loadU16(p);
        v[1] = loadU16(p + 2);
        v[2] = loadU16(p + 4);
        v[3] = loadU16(p + 6);
    }
    static Sum finishRow(Sum rowSum) { return rowSum / 32768; }  // toward zero
    static float finish(Sum total) { return static_cast<float>(total) * (1.0f / 32768.0f); }  // 2^-15
};

struct Float4Storage {
    static constexpr int kChannels = 4;
    using Sum = float;
    static void read(const uint8_t* p, float (&v)[4]) {
        v[0] = loadF32(p);
        v[1] = loadF32(p + 4);
        v[2] = loadF32(p + 8);
        v[3] = loadF32(p + 12);
    }
    static Sum finishRow(Sum rowSum) { return rowSum; }
    static float finish(Sum total) { return total; }
};

// The weight table each kernel uses.
template <int Taps, class Storage>
struct KernelWeights;
template <> struct KernelWeights<5, Grey8Storage> {
    static const int32_t (&get(const WeightTables& t))[5][kPhases] { return t.taps5Scaled2048; }
};
template <> struct KernelWeights<5, Packed8Storage> {
    static const int32_t (&get(const WeightTables& t))[5][kPhases] { return t.taps5Scaled2048; }
};
template <> struct KernelWeights<5, Rgba16Storage> {
    static const int32_t (&get(const WeightTables& t))[5][kPhases] { return t.taps5Scaled32768; }
};
template <> struct KernelWeights<5, Float4Storage> {
    static const float (&get(const WeightTables& t))[5][kPhases] { return t.taps5Copy; }
};
template <> struct KernelWeights<7, Packed8Storage> {
    static const int32_t (&get(const WeightTables& t))[7][kPhases] { return t.taps7Scaled2048; }
};
template <> struct KernelWeights<7, Rgba16Storage> {
    static const int32_t (&get(const WeightTables& t))[7][kPhases] { return t.taps7Scaled32768; }
};
template <> struct KernelWeights<7, Float4Storage> {
    static const float (&get(const WeightTables& t))[7][kPhases] { return t.taps7; }
};

// Position within the level: u = x' + 0.5 (kept non-negative and finite so
// that the base pixel and the phase are always defined).
struct AxisPosition {
    int base;
    int phase;
};
AxisPosition axisPosition(float levelCoordinate) {
    float u = levelCoordinate + 0.5f;
    if (!(u >= 0.0f)) u = 0.0f;
    if (u > 1.0e9f) u = 1.0e9f;
    const int base = static_cast<int>(u);
    int phase = static_cast<int>((u - static_cast<float>(base)) * 128.0f);
    if (phase > kPhases - 1) phase = kPhases - 1;
    return {base, phase};
}

int clampInto(int v, int last) { return v < 0 ? 0 : (v > last ? last : v); }

// Column (or row) of tap k on the per-pixel path: clamped, or wrapped around
// the level and then clamped.
int edgeIndex(int base, int offset, int size, bool wrap) {
    const int last = size - 1;
    if (!wrap) return clampInto(base + offset, last);
    int b = base % size;
    if (b < 0) b += size;
    int c = b + offset;
    if (c < 0) c += size;
    if (c > last) c -= size;
    return clampInto(c, last);
}

#if defined(__SSE2__)
// The packed 8-bit in-tile window with SSE2: each row's taps are taken two at
// a time with 16-bit multiply-adds into 32-bit channel sums, then the rows
// are weighted in 32-bit integers. Integer sums do not depend on their order,
// so this equals the plain loop exactly (the tests compare the two paths).
template <int Taps>
void packed8InTile(const uint8_t* corner, int64_t rowBytes, const int32_t (&wx)[Taps][kPhases], int phaseX,
                   const int32_t (&wy)[Taps][kPhases], int phaseY, float (&out)[4]) {
    constexpr int kHalf = Taps / 2;
    constexpr int kPairs = (Taps + 1) / 2;
    const __m128i zero = _mm_setzero_si128();
    __m128i pairWeights[kPairs];
    for (int k = 0; k < kPairs; ++k) {
        const int32_t low = wx[2 * k][phaseX];
        const int32_t high = 2 * k + 1 < Taps ? wx[2 * k + 1][phaseX] : 0;
        pairWeights[k] = _mm_set1_epi32(int32_t((uint32_t(high) << 16) | (uint32_t(low) & 0xFFFFu)));
    }
    int32_t total[4] = {0, 0, 0, 0};
    for (int ky = 0; ky < Taps; ++ky) {
        const uint8_t* row = corner + (2 * kHalf - ky) * rowBytes;
        __m128i sum = zero;
        for (int k = 0; k < kPairs; ++k) {
            // Tap kx weights the pixel 2 * kHalf - kx pixels from the corner.
            const int first = 2 * k, second = 2 * k + 1;
            uint32_t a, b = 0;
            std::memcpy(&a, row + (2 * kHalf - first) * 4, 4);
            if (second < Taps) std::memcpy(&b, row + (2 * kHalf - second) * 4, 4);
            const __m128i va = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(a)), zero);
            const __m128i vb = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(b)), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(va, vb), pairWeights[k]));
        }
        alignas(16) int32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum);
        // Lanes hold the bytes from the low end: coverage, blue, green, red.
        const int32_t weight = wy[ky][phaseY];
        total[0] += lanes[3] * weight;
        total[1] += lanes[2] * weight;
        total[2] += lanes[1] * weight;
        total[3] += lanes[0] * weight;
    }
    for (int c = 0; c < 4; ++c) out[c] = Packed8Storage::finish(total[c]);
}

// The 16-bit in-tile window with SSE2 in double precision. Every product and
// sum of the integer kernel stays below 2^53, and a row sum divided by 32768
// is exact in double, so truncating it gives the integer kernel's value: the
// result is the integer kernel's exactly (the tests compare the two paths).
template <int Taps>
void rgba16InTile(const uint8_t* corner, int64_t rowBytes, const int32_t (&wx)[Taps][kPhases], int phaseX,
                  const int32_t (&wy)[Taps][kPhases], int phaseY, float (&out)[4]) {
    constexpr int kHalf = Taps / 2;
    const __m128i zero = _mm_setzero_si128();
    const __m128d rowScale = _mm_set1_pd(1.0 / 32768.0);
    __m128d totalLow = _mm_setzero_pd(), totalHigh = _mm_setzero_pd();
    for (int ky = 0; ky < Taps; ++ky) {
        const uint8_t* row = corner + (2 * kHalf - ky) * rowBytes;
        __m128d sumLow = _mm_setzero_pd(), sumHigh = _mm_setzero_pd();
        for (int kx = 0; kx < Taps; ++kx) {
            const __m128i pixel = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + (2 * kHalf - kx) * 8));
            const __m128i channels = _mm_unpacklo_epi16(pixel, zero);
            const __m128d weight = _mm_set1_pd(double(wx[kx][phaseX]));
            sumLow = _mm_add_pd(sumLow, _mm_mul_pd(_mm_cvtepi32_pd(channels), weight));
            sumHigh = _mm_add_pd(sumHigh, _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(channels, 8)), weight));
        }
        // Each row sum divided by 32768 toward zero, then weighted by its row.
        const __m128d low = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(sumLow, rowScale)));
        const __m128d high = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(sumHigh, rowScale)));
        const __m128d weight = _mm_set1_pd(double(wy[ky][phaseY]));
        totalLow = _mm_add_pd(totalLow, _mm_mul_pd(low, weight));
        totalHigh = _mm_add_pd(totalHigh, _mm_mul_pd(high, weight));
    }
    alignas(16) double totals[4];
    _mm_store_pd(totals, totalLow);
    _mm_store_pd(totals + 2, totalHigh);
    for (int c = 0; c < 4; ++c) out[c] = Rgba16Storage::finish(static_cast<int64_t>(totals[c]));
}
#endif

template <int Taps, class Storage>
void levelKernel(const Pyramid& p, int n, float x, float y, KernelPath path, float (&out)[4]) {
    using Sum = typename Storage::Sum;
    constexpr int kHalf = Taps / 2;
    const auto& weights = KernelWeights<Taps, Storage>::get(*p.weights);
    const AxisPosition ax = axisPosition(x);
    const AxisPosition ay = axisPosition(y);
    const int w = p.width[n];
    const int h = p.height[n];

    // Pixel pointers of each tap row, left to right in tap order.
    const uint8_t* pixels[Taps][Taps];
    const bool inside = ax.base >= kHalf && ax.base <= w - kHalf - 1 && ay.base >= kHalf && ay.base <= h - kHalf - 1 &&
                        ((ax.base - kHalf) & kTileMask) <= kTileSize - Taps &&
                        ((ay.base - kHalf) & kTileMask) <= kTileSize - Taps;
    if (inside && path == KernelPath::automatic) {
        // The whole window lies in one tile: plain address arithmetic from its corner.
        const uint8_t* corner = p.pixelInside(n, ax.base - kHalf, ay.base - kHalf);
        const PyramidTile& tile = p.tiles[p.firstTile[n] + ((ax.base - kHalf) >> kTileShift) +
                                          p.tilesPerRow[n] * ((ay.base - kHalf) >> kTileShift)];
        const int64_t rowBytes = static_cast<int64_t>(tile.width) * p.bytesPerPixel;
#if defined(__SSE2__)
        if constexpr (std::is_same_v<Storage, Packed8Storage>) {
            packed8InTile<Taps>(corner, rowBytes, weights, ax.phase, weights, ay.phase, out);
            return;
        }
        if constexpr (std::is_same_v<Storage, Rgba16Storage>) {
            rgba16InTile<Taps>(corner, rowBytes, weights, ax.phase, weights, ay.phase, out);
            return;
        }
#endif
        for (int ky = 0; ky < Taps; ++ky) {
            const uint8_t* row = corner + (2 * kHalf - ky) * rowBytes;
            for (int kx = 0; kx < Taps; ++kx) pixels[ky][kx] = row + (2 * kHalf - kx) * p.bytesPerPixel;
        }
    } else {
        const bool wrapColumns = p.edgeMode == kEdgeWrap || p.edgeMode == kEdgeWrapHorizontal;
        const bool wrapRows = p.edgeMode == kEdgeWrap;
        int columns[Taps];
        int rows[Taps];
        for (int k = 0; k < Taps; ++k) {
            columns[k] = edgeIndex(ax.base, kHalf - k, w, wrapColumns);
            rows[k] = edgeIndex(ay.base, kHalf - k, h, wrapRows);
        }
        for (int ky = 0; ky < Taps; ++ky) {
            for (int kx = 0; kx < Taps; ++kx) pixels[ky][kx] = p.pixelInside(n, columns[kx], rows[ky]);
        }
    }

    Sum total[4] = {};
    for (int ky = 0; ky < Taps; ++ky) {
        Sum rowSum[4] = {};
        for (int kx = 0; kx < Taps; ++kx) {
            Sum v[4] = {};
            Storage::read(pixels[ky][kx], v);
            const Sum wx = static_cast<Sum>(weights[kx][ax.phase]);
            for (int c = 0; c < Storage::kChannels; ++c) rowSum[c] += wx * v[c];
        }
        const Sum wy = static_cast<Sum>(weights[ky][ay.phase]);
        for (int c = 0; c < Storage::kChannels; ++c) total[c] += Storage::finishRow(rowSum[c]) * wy;
    }
    for (int c = 0; c < 4; ++c) out[c] = c < Storage::kChannels ? Storage::finish(total[c]) : 0.0f;
}

bool kernelUsable(const Pyramid& p, int level, int storageType) {
    return p.hasTiles() && p.weights != nullptr && p.storageType == storageType && level >= 0 && level <= p.lmax;
}

EffectColor asColor(const float (&v)[4]) { return EffectColor{v[0], v[1], v[2], v[3]}; }

template <int Taps, class Storage>
EffectColor checkedKernel(const Pyramid& p, int level, float x, float y, KernelPath path, int storageType) {
    float v[4] = {0, 0, 0, 0};
    if (kernelUsable(p, level, storageType)) levelKernel<Taps, Storage>(p, level, x, y, path, v);
    return asColor(v);
}

// Level pixel coordinates of a normalised position.
float levelX(const Pyramid& p, int n, float x) { return static_cast<float>(p.width[n]) * x - 0.5f; }
float levelY(const Pyramid& p, int n, float y) { return static_cast<float>(p.height[n]) * y - 0.5f; }

float clampUnit(float v) {
    if (!(v >= 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

template <int Taps, class Storage>
void kernelAt(const Pyramid& p, int n, float x, float y, float (&out)[4]) {
    levelKernel<Taps, Storage>(p, n, levelX(p, n, x), levelY(p, n, y), KernelPath::automatic, out);
}

void blend(float (&lower)[4], const float (&upper)[4], float fraction) {
    for (int c = 0; c < 4; ++c) lower[c] = lower[c] + (upper[c] - lower[c]) * fraction;
}

EffectColor scaled(const Pyramid& p, const float (&v)[4]) {
    const float s = p.inverseFullScale;
    return EffectColor{v[0] * s, v[1] * s, v[2] * s, v[3] * s};
}

template <class Storage>
EffectColor fastFourChannels(const Pyramid& p, int n, float fraction, float x, float y) {
    float c[4];
    kernelAt<5, Storage>(p, n, x, y, c);
    if (fraction != 0.0f) {
        float next[4];
        kernelAt<5, Storage>(p, n + 1, x, y, next);
        blend(c, next, fraction);
    }
    return scaled(p, c);
}

template <class Storage>
EffectColor highQualityFourChannels(const Pyramid& p, int n, float fraction, float x, float y) {
    float lower[4];
    if (fraction == 0.0f) {
        kernelAt<5, Storage>(p, n, x, y, lower);
        return scaled(p, lower);
    }
    if (n > 0) kernelAt<7, Storage>(p, n - 1, x, y, lower);
    else kernelAt<5, Storage>(p, 0, x, y, lower);
    float upper[4];
    kernelAt<7, Storage>(p, n, x, y, upper);
    blend(lower, upper, fraction);
    return scaled(p, lower);
}

int samplerLevel(const Pyramid& p, int level) {
    if (level > p.lmax - 1) level = p.lmax - 1;
    return level < 0 ? 0 : level;
}

bool samplable(const Pyramid& p) { return p.hasTiles() && p.weights != nullptr && p.lmax >= 1; }

}  // namespace

float levelKernel5Grey8(const Pyramid& p, int level, float x, float y, KernelPath path) {
    return checkedKernel<5, Grey8Storage>(p, level, x, y, path, kStorageGrey8).red;
}
EffectColor levelKernel5Packed8(const Pyramid& p, int level, float x, float y, KernelPath path) {
    return checkedKernel<5, Packed8Storage>(p, level, x, y, path, kStoragePacked8);
}
EffectColor levelKernel5Rgba16(const Pyramid& p, int level, float x, float y, KernelPath path) {
    return checkedKernel<5, Rgba16Storage>(p, level, x, y, path, kStorageRgba16);
}
EffectColor levelKernel5Float4(const Pyramid& p, int level, float x, float y, KernelPath path) {
    return checkedKernel<5, Float4Storage>(p, level, x, y, path, kStorageFloat4);
}
EffectColor levelKernel7Packed8(const Pyramid& p, int level, float x, float y, KernelPath path) {
    return checkedKernel<7, Packed8Storage>(p, level, x, y, path, kStoragePacked8);
}
EffectColor levelKernel7Rgba16(const Pyramid& p, int level, float x, float y, KernelPath path) {
    return checkedKernel<7, Rgba16Storage>(p, level, x, y, path, kStorageRgba16);
}
EffectColor levelKernel7Float4(const Pyramid& p, int level, float x, float y, KernelPath path) {
    return checkedKernel<7, Float4Storage>(p, level, x, y, path, kStorageFloat4);
}

EffectColor sampleFast(const Pyramid& p, int level, float fraction, float x, float y) {
    if (!samplable(p)) return EffectColor{};
    const int n = samplerLevel(p, level);
    x = clampUnit(x);
    y = clampUnit(y);
    switch (p.storageType) {
    case kStorageGrey8: {
        float c[4];
        kernelAt<5, Grey8Storage>(p, n, x, y, c);
        float s = c[0];
        if (fraction != 0.0f) {
            kernelAt<5, Grey8Storage>(p, n + 1, x, y, c);
            s = s + (c[0] - s) * fraction;
        }
        const float grey[4] = {s, s, s, 255.0f};
        return scaled(p, grey);
    }
    case kStoragePacked8: return fastFourChannels<Packed8Storage>(p, n, fraction, x, y);
    case kStorageRgba16: return fastFourChannels<Rgba16Storage>(p, n, fraction, x, y);
    case kStorageFloat4: return fastFourChannels<Float4Storage>(p, n, fraction, x, y);
    default: return EffectColor{};
    }
}

EffectColor sampleHighQuality(const Pyramid& p, int level, float fraction, float x, float y) {
    if (!samplable(p)) return EffectColor{};
    const int n = samplerLevel(p, level);
    x = clampUnit(x);
    y = clampUnit(y);
    switch (p.storageType) {
    case kStoragePacked8: return highQualityFourChannels<Packed8Storage>(p, n, fraction, x, y);
    case kStorageRgba16: return highQualityFourChannels<Rgba16Storage>(p, n, fraction, x, y);
    case kStorageFloat4: return highQualityFourChannels<Float4Storage>(p, n, fraction, x, y);
    default: return sampleFast(p, level, fraction, x, y);
    }
}
