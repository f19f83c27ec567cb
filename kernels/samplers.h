// Pyramid samplers: the resampling weight tables, the 5 x 5 and 7 x 7 level
// kernels and the fast and high-quality samplers that blend two levels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels/effect_color.h"
#include "kernels/pyramid.h"

constexpr int kPhases = 128;

// The block of 5,248 32-bit slots, in slot order. Tap k of a 5-tap table
// weights the pixel at offset 2 - k from the base pixel, of a 7-tap table
// the pixel at offset 3 - k; each tap holds 128 phases. Owned by the run's
// work area and shared by every pyramid of the run (Pyramid::weights).
struct WeightTables {
    float taps5[5][kPhases];             // slots 0-639, summing to 1
    int32_t taps5Scaled2048[5][kPhases];  // slots 640-1279, each phase sums to 2048
    int32_t taps5Scaled32768[5][kPhases]; // slots 1280-1919, each phase sums to 32768
    float taps5Copy[5][kPhases];         // slots 1920-2559, the float kernels' copy
    int32_t taps7Scaled2048[7][kPhases];  // slots 2560-3455
    int32_t taps7Scaled32768[7][kPhases]; // slots 3456-4351
    float taps7[7][kPhases];             // slots 4352-5247, summing to 1
};
static_assert(sizeof(WeightTables) == 5248 * 4);
static_assert(offsetof(WeightTables, taps5Scaled2048) == 640 * 4);
static_assert(offsetof(WeightTables, taps5Scaled32768) == 1280 * 4);
static_assert(offsetof(WeightTables, taps5Copy) == 1920 * 4);
static_assert(offsetof(WeightTables, taps7Scaled2048) == 2560 * 4);
static_assert(offsetof(WeightTables, taps7Scaled32768) == 3456 * 4);
static_assert(offsetof(WeightTables, taps7) == 4352 * 4);

// Fills every slot: a box average of 20 sub-samples of a Lanczos-2 window at
// 128 phases, normalised; then the 7-tap tables as that kernel smoothed by
// 1/4, 1/2, 1/4. The same values every time.
void buildWeightTables(WeightTables& tables);

// The Lanczos-2 window K(t), in double precision with pi = 3.141592653.
double lanczos2(double t);

// Which address path a level kernel takes: `automatic` reads the tile's
// memory directly when the window lies inside one tile; `perPixel` always
// works out each pixel's address by the edge mode (for comparing the two).
enum class KernelPath { automatic, perPixel };

// Level kernels at level pixel coordinates (x', y') of level `level` (the
// centre of pixel i is at x' = i), results in the storage's own scale. Each
// works only on its own storage type and the pyramid's weight tables, and
// returns zeros otherwise, without tiles or for a level outside [0, lmax].
float levelKernel5Grey8(const Pyramid& pyramid, int level, float x, float y, KernelPath path = KernelPath::automatic);
EffectColor levelKernel5Packed8(const Pyramid& pyramid, int level, float x, float y, KernelPath path = KernelPath::automatic);
EffectColor levelKernel5Rgba16(const Pyramid& pyramid, int level, float x, float y, KernelPath path = KernelPath::automatic);
EffectColor levelKernel5Float4(const Pyramid& pyramid, int level, float x, float y, KernelPath path = KernelPath::automatic);
EffectColor levelKernel7Packed8(const Pyramid& pyramid, int level, float x, float y, KernelPath path = KernelPath::automatic);
EffectColor levelKernel7Rgba16(const Pyramid& pyramid, int level, float x, float y, KernelPath path = KernelPath::automatic);
EffectColor levelKernel7Float4(const Pyramid& pyramid, int level, float x, float y, KernelPath path = KernelPath::automatic);

// The samplers: integer level `level`, fraction toward the next level, and
// normalised (x, y) in [0, 1] (values outside are clamped, NaN counts as 0).
// Results are scaled so that full intensity is 1, and are not clamped.
//
// Fast: level limited to [0, lmax - 1]; the 5 x 5 kernel there and, for a
// non-zero fraction, at the next level, blended by the fraction. kStorageGrey8,
// kStoragePacked8, kStorageRgba16 and kStorageFloat4; any other type gives
// transparent black.
EffectColor sampleFast(const Pyramid& pyramid, int level, float fraction, float x, float y);
// High quality: level limited to [0, lmax - 1]; fraction 0 gives the 5 x 5
// kernel there, else the 7 x 7 kernel one level below (the 5 x 5 at level 0)
// blended toward the 7 x 7 kernel at the level. kStoragePacked8,
// kStorageRgba16 and kStorageFloat4; other types are sampled as by the fast
// sampler.
EffectColor sampleHighQuality(const Pyramid& pyramid, int level, float fraction, float x, float y);
