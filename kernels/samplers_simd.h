// The level kernels' in-tile windows with vector instructions, one set per
// instruction level, chosen at run time. Each takes the window's top-left
// pixel, the tile's row stride in bytes and the weights of the taps in pixel
// order (weightX[j] for the j-th column from the left, weightY[i] for the
// i-th row from the top), and gives exactly the plain kernel's result in the
// storage's own scale: integer sums do not depend on their order, and the
// 16-bit windows' double sums stay exact. The float windows' sums round, so
// they take the weights in tap order and add in the plain loop's order, the
// four channels side by side in one register.
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
void rgba16WindowAvx512(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);

// Tap k weights the pixel Taps - 1 - k from the window's left (x) or top (y)
// edge, as in the plain loop, which adds tap 0 first.
struct FloatTapWeights {
    float x[7] = {};
    float y[7] = {};
};

void float4WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const FloatTapWeights& w, float (&out)[4]);
void float4WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const FloatTapWeights& w, float (&out)[4]);

// The windows by level; none at the scalar level, whose plain loop is the
// reference. AVX-512 weights two rows of a 16-bit window in one register of
// doubles; a float window's rows are added in order, one pixel per SSE2
// register or two rows' pixels per AVX2 register.
using LevelWindow = void (*)(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w,
                             float (&out)[4]);
inline constexpr LevelTable<LevelWindow> kPacked8Windows = {nullptr, TWL_X86_ENTRY(packed8WindowSse2),
                                                            TWL_X86_ENTRY(packed8WindowAvx2),
                                                            TWL_X86_ENTRY(packed8WindowAvx512)};
inline constexpr LevelTable<LevelWindow> kRgba16Windows = {nullptr, TWL_X86_ENTRY(rgba16WindowSse2),
                                                           TWL_X86_ENTRY(rgba16WindowAvx2),
                                                           TWL_X86_ENTRY(rgba16WindowAvx512)};
using FloatLevelWindow = void (*)(int taps, const uint8_t* corner, int64_t rowBytes, const FloatTapWeights& w,
                                  float (&out)[4]);
inline constexpr LevelTable<FloatLevelWindow> kFloat4Windows = {nullptr, TWL_X86_ENTRY(float4WindowSse2),
                                                                TWL_X86_ENTRY(float4WindowAvx2),
                                                                TWL_X86_ENTRY(float4WindowAvx2)};
