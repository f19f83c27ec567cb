// The level kernels' in-tile windows with vector instructions, one set per
// instruction level, chosen at run time. Each takes the window's top-left
// pixel, the tile's row stride in bytes and the weights of the taps in pixel
// order (weightX[j] for the j-th column from the left, weightY[i] for the
// i-th row from the top), and gives exactly the plain kernel's result in the
// storage's own scale: integer sums do not depend on their order, and the
// 16-bit windows' double sums stay exact.
#pragma once

#include <cstdint>

#include "kernels/vector_levels.h"

// Taps past the window's width are 0.
struct WindowWeights {
    int32_t x[7] = {};
    int32_t y[7] = {};
};

void packed8WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void rgba16WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void packed8WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void rgba16WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void packed8WindowAvx512(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);

// The windows by level; none at the scalar level, whose plain loop is the
// reference. Four doubles per 16-bit pixel fill one AVX2 register, so
// AVX-512 adds nothing to the 16-bit window.
using LevelWindow = void (*)(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w,
                             float (&out)[4]);
inline constexpr LevelTable<LevelWindow> kPacked8Windows = {nullptr, TWL_X86_ENTRY(packed8WindowSse2),
                                                            TWL_X86_ENTRY(packed8WindowAvx2),
                                                            TWL_X86_ENTRY(packed8WindowAvx512)};
inline constexpr LevelTable<LevelWindow> kRgba16Windows = {nullptr, TWL_X86_ENTRY(rgba16WindowSse2),
                                                           TWL_X86_ENTRY(rgba16WindowAvx2),
                                                           TWL_X86_ENTRY(rgba16WindowAvx2)};
