// Blending the worked pixel with the source pixel by a glue mode: the entry
// points the output stage calls and the per-run table they need.
#pragma once

#include <array>
#include <cstdint>

#include "kernels/blend_mode_numbers.h"

// The two integer image classes the glue modes work on. Their channel
// maximum M is 255 and 32768.
enum class BlendValueClass { eightBit, sixteenBit };

inline constexpr int32_t channelMaximum(BlendValueClass valueClass) {
    return valueClass == BlendValueClass::eightBit ? 255 : 32768;
}

// Per-run constants of the blend, built once with the work area before the
// first pixel is blended.
struct BlendTables {
    // Weight of the worked value in procedural + (8-bit), by source value,
    // out of 256: 2v below 128, 511 - 2v from 128 on.
    std::array<int32_t, 256> proceduralWeight{};
};

void buildBlendTables(BlendTables* tables);

// Replaces the worked values worked[0..2] (red, green, blue, each in [0, M])
// by their blend with source[0..2] under glue mode `mode`. Mode 1 and modes
// outside 2..62 leave the worked values unchanged. A grey image passes its
// grey source value in all three source channels and uses only worked[0].
void blendPixel(int32_t worked[3], const int32_t source[3], BlendValueClass valueClass, int32_t mode,
                const BlendTables& tables);

// The same over `count` pixels of three interleaved values each; the modes
// that blend each channel alone and the colour-space modes run on vector
// instructions at the active level, with the per-pixel results.
void blendRow(int32_t* worked, const int32_t* source, int count, BlendValueClass valueClass, int32_t mode,
              const BlendTables& tables);
