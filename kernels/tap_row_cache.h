// The 16-bit and float level kernels, sampled along a row with their row
// sums carried from one output row to the next. A kernel first weights each
// tap row across (its row sum, truncated for 16-bit storage, rounded for
// float) and then weights the row sums down. A row sum depends only on the
// level row, the base column and the phase across, and for a fixed pixel
// column these stay the same from row to row, while the tap rows move down
// by at most one level row per output row. So each kernel position keeps its
// row sums, and the next output row only weights the rows that came into the
// window; the sums down are made afresh in the plain kernel's order. Every
// row sum is made exactly as the plain kernel makes it, so every result is
// the per-pixel kernel's, bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "kernels/pyramid.h"
#include "kernels/samplers.h"

// A fresh number for each pass over an unchanged source: rows rendered under
// the same number may share row sums; 0 shares nothing between rows.
uint64_t newSourceSerial();

// Where the current output row's tap rows lie on one level.
struct TapRows {
    bool ready = false;
    int rows[7] = {};          // tap rows from the top, by the edge rule
    int places[7] = {};        // each row's place in a slot: row mod taps
    int32_t integerY[7] = {};  // weights in tap order (tap 0: the bottom row)
    double integerYWide[7] = {};  // the same, ready for the sums in doubles
    float realY[7] = {};
};

// The row sums of one kernel position (base column and phase) of a level:
// level row r's four channels at place r mod Taps, held[place] naming the
// row there (-1: none). A 16-bit row sum is an integer well inside a float's
// exact range and is kept as one. Valid in its epoch only.
template <int Taps>
struct TapRowSlot {
    uint32_t epoch = 0;
    int32_t phase = 0;
    int32_t held[Taps] = {};
    float sums[Taps][4] = {};
};

// A level's positions: slot (base << shift) | (phase >> (7 - shift)), so
// that the output pixels of a row, about one level column apart divided by
// 2^level, mostly find slots of their own.
template <int Taps>
struct TapRowSlots {
    int shift = 0;
    std::vector<TapRowSlot<Taps>> slots;
};

// One kernel at one level and position, given the row's tap rows and the
// level's slots; by storage, kernel size and vector level.
using TapRowKernel5 = void (*)(const Pyramid& p, int level, float x, const TapRows& rows, TapRowSlots<5>& slots,
                               uint32_t epoch, float (&out)[4]);
using TapRowKernel7 = void (*)(const Pyramid& p, int level, float x, const TapRows& rows, TapRowSlots<7>& slots,
                               uint32_t epoch, float (&out)[4]);
struct TapRowKernels {
    TapRowKernel5 integer5 = nullptr, real5 = nullptr;
    TapRowKernel7 integer7 = nullptr, real7 = nullptr;
};
// SSE2 (the x86-64 base, and the plain code elsewhere) and AVX2, which
// weights the 16-bit sums four channels per register.
extern const TapRowKernels kTapRowKernelsBase;
extern const TapRowKernels kTapRowKernelsAvx2;

class TapRowCache {
public:
    // Starts an output row at normalised height y; sums made under another
    // source serial (or for another pyramid, or with serial 0) are dropped.
    void start(const Pyramid& pyramid, float y, uint64_t serial);

    // The 5 x 5 or 7 x 7 kernel of a 16-bit or float pyramid at level n and
    // normalised x (already clamped), in the storage's own scale.
    void kernel5(int level, float x, float (&out)[4]) {
        const TapRows& rows = rows_[0][level].ready ? rows_[0][level] : prepare<5>(level);
        kernel5_(*pyramid_, level, x, rows, slots5_[level], epoch_, out);
    }
    void kernel7(int level, float x, float (&out)[4]) {
        const TapRows& rows = rows_[1][level].ready ? rows_[1][level] : prepare<7>(level);
        kernel7_(*pyramid_, level, x, rows, slots7_[level], epoch_, out);
    }

private:
    template <int Taps>
    const TapRows& prepare(int level);

    const Pyramid* pyramid_ = nullptr;
    float y_ = 0;
    uint64_t serial_ = 0;
    uint32_t epoch_ = 1;  // slots of other epochs hold nothing
    TapRowKernel5 kernel5_ = nullptr;
    TapRowKernel7 kernel7_ = nullptr;
    TapRows rows_[2][kPyramidLevels];
    TapRowSlots<5> slots5_[kPyramidLevels];
    TapRowSlots<7> slots7_[kPyramidLevels];
};
