// The level kernels' in-tile windows with vector instructions, one set per
// instruction level, chosen at run time. Each takes the window's top-left
// pixel, the tile's row stride in bytes and the weights of the taps in pixel
// order (weightX[j] for the j-th column from the left, weightY[i] for the
// i-th row from the top), and gives exactly the plain kernel's result in the
// storage's own scale: integer sums do not depend on their order, and the
// 16-bit windows' double sums stay exact.
#pragma once

#include <cstdint>

// Taps past the window's width are 0.
struct WindowWeights {
    int32_t x[7] = {};
    int32_t y[7] = {};
};

#if defined(__x86_64__) || defined(__SSE2__)
#define TWL_X86_KERNELS 1
void packed8WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void rgba16WindowSse2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void packed8WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void rgba16WindowAvx2(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
void packed8WindowAvx512(int taps, const uint8_t* corner, int64_t rowBytes, const WindowWeights& w, float (&out)[4]);
#endif
