// The level kernels (5 x 5 and 7 x 7, by storage) and the two samplers.
#include "kernels/samplers.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "kernels/pyramid_pixels.h"
#include "kernels/sampler_positions.h"

#include "kernels/samplers_simd.h"
#include "kernels/speed_settings.h"

using namespace sampler_positions;

namespace {

// ---- Storage policies: how a pixel is read, how rows are summed, scaled ----

struct Grey8Storage {
    static constexpr int kChannels = 1;
    static constexpr int kPixelBytes = 1;
    using Sum = int32_t;
    static void read(const uint8_t* p, int32_t (&v)[4]) { v[0] = *p; }
    static Sum finishRow(Sum rowSum) { return rowSum; }
    static float finish(Sum total) { return static_cast<float>(total) * (1.0f / 4194304.0f); }  // 2^-22
};

struct Packed8Storage {
    static constexpr int kChannels = 4;
    static constexpr int kPixelBytes = 4;
    using Sum = int32_t;
    static void read(const uint8_t* p, int32_t (&v)[4]) { unpackChannels8(loadU32(p), v); }
    static Sum finishRow(Sum rowSum) { return rowSum; }
    static float finish(Sum total) { return static_cast<float>(total) * (1.0f / 4194304.0f); }
};

// 64-bit sums: identical to 32-bit ones for values up to 32768, and defined
// for stored values up to 65535 whose sums would overflow 32 bits.
struct Rgba16Storage {
    static constexpr int kChannels = 4;
    static constexpr int kPixelBytes = 8;
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
    static constexpr int kPixelBytes = 16;
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

// The vector window of a storage at the active level; null where there is none.
template <class Storage>
LevelWindow windowAtActiveLevel() {
    if constexpr (std::is_same_v<Storage, Packed8Storage>) return kPacked8Windows[activeSimdLevel()];
    else if constexpr (std::is_same_v<Storage, Rgba16Storage>) return kRgba16Windows[activeSimdLevel()];
    else return nullptr;
}

template <class Storage>
bool hasVectorWindow() {
    if constexpr (std::is_same_v<Storage, Float4Storage>) return kFloat4Windows[activeSimdLevel()] != nullptr;
    else return windowAtActiveLevel<Storage>() != nullptr;
}

// The in-tile window at the active vector level; false when the scalar
// loop is to run (scalar level, or a storage without vector windows).
template <int Taps, class Storage, class Weight>
bool vectorWindow(const uint8_t* corner, int64_t rowBytes, const Weight (&weights)[Taps][kPhases], int phaseX,
                  int phaseY, float (&out)[4]) {
    if constexpr (std::is_same_v<Storage, Float4Storage>) {
        const FloatLevelWindow window = kFloat4Windows[activeSimdLevel()];
        if (!window) return false;
        FloatTapWeights w;
        for (int k = 0; k < Taps; ++k) {
            w.x[k] = weights[k][phaseX];
            w.y[k] = weights[k][phaseY];
        }
        window(Taps, corner, rowBytes, w, out);
        return true;
    } else {
        const LevelWindow window = windowAtActiveLevel<Storage>();
        if (!window) return false;
        // Tap k weights the pixel Taps - 1 - k from the window's top-left corner.
        WindowWeights w;
        for (int j = 0; j < Taps; ++j) {
            w.x[j] = weights[Taps - 1 - j][phaseX];
            w.y[j] = weights[Taps - 1 - j][phaseY];
        }
        window(Taps, corner, rowBytes, w, out);
        return true;
    }
}

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
        if constexpr (!std::is_same_v<Storage, Grey8Storage>) {
            if (vectorWindow<Taps, Storage>(corner, rowBytes, weights, ax.phase, ay.phase, out)) return;
        }
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
        if constexpr (!std::is_same_v<Storage, Grey8Storage>) {
            // Near an edge (and on small levels, nearly everywhere) the window
            // is gathered into a block of its own and weighted like an
            // in-tile one: the same pixels under the same weights.
            if (path == KernelPath::automatic && hasVectorWindow<Storage>()) {
                constexpr int kPixelBytes = Storage::kPixelBytes;
                alignas(16) uint8_t window[Taps * Taps * kPixelBytes];
                uint8_t* to = window;
                if (p.tilesPerRow[n] == 1 && h <= kTileSize) {
                    // A level in one tile: rows and columns by plain offsets.
                    const PyramidTile& tile = p.tiles[p.firstTile[n]];
                    const auto* data = static_cast<const uint8_t*>(tile.memory.data);
                    const int64_t stride = static_cast<int64_t>(tile.width) * kPixelBytes;
                    for (int i = Taps - 1; i >= 0; --i) {
                        const uint8_t* row = data + rows[i] * stride;
                        for (int j = Taps - 1; j >= 0; --j, to += kPixelBytes)
                            std::memcpy(to, row + columns[j] * kPixelBytes, kPixelBytes);
                    }
                } else {
                    for (int i = Taps - 1; i >= 0; --i)
                        for (int j = Taps - 1; j >= 0; --j, to += kPixelBytes)
                            std::memcpy(to, p.pixelInside(n, columns[j], rows[i]), kPixelBytes);
                }
                if (vectorWindow<Taps, Storage>(window, Taps * kPixelBytes, weights, ax.phase, ay.phase, out)) return;
            }
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
