// The samplers for many pixels of one row. Every sample of an output row
// lies at the same height, so on each level the kernel's taps read the same
// level rows under the same vertical weights: the weighted sums down the taps
// are made once per level column and shared by the row's pixels, and each
// sample only weights its taps across. For the 8-bit storages the sums are
// integers, whose value does not depend on their order, so every sample is
// exactly the per-pixel sampler's. The 16-bit and float storages sum across
// before down (their row sums are truncated or rounded), so nothing down the
// taps can be shared; instead each kernel position keeps its row sums from
// one output row to the next (TapRowCache), and only the level rows that
// came into its window are weighted anew. The scalar level is the per-pixel
// samplers'.
#pragma once

#include <cstdint>
#include <vector>

#include "kernels/effect_color.h"
#include "kernels/pyramid.h"
#include "kernels/tap_row_cache.h"

class RowSampler {
public:
    // Starts a row at normalised height y (the per-pixel samplers' y); the
    // sums of the previous row are dropped, their memory kept. Rows started
    // with the same non-zero source serial (newSourceSerial) read an
    // unchanged pyramid, so the 16-bit and float row sums carry over.
    void start(const Pyramid& pyramid, float y, uint64_t sourceSerial = 0);

    // As sampleFast and sampleHighQuality at (x, y).
    EffectColor sampleFast(int level, float fraction, float x);
    EffectColor sampleHighQuality(int level, float fraction, float x);

    // sampleFast for `count` pixels of the row: pixel i at level[i],
    // fraction[i] and x[i], its colour into the four arrays.
    void sampleFastRun(int count, const int32_t* level, const float* fraction, const float* x, float* red,
                       float* green, float* blue, float* coverage);
    // sampleHighQuality likewise for `count` pixels of the row.
    void sampleHighQualityRun(int count, const int32_t* level, const float* fraction, const float* x, float* red,
                              float* green, float* blue, float* coverage);

private:
    // The vertical sums of one kernel size on one level, for the columns
    // first..last (none while last < first), channels in memory order.
    struct LevelSums {
        int32_t first = 0, last = -1;
        int32_t rows[7];
        int32_t weights[7];
        std::vector<int32_t> sums;
    };

    template <int Taps, int Channels>
    void kernel(int level, float x, float (&out)[4]);
    auto windowed();
    template <class Kernel>
    EffectColor fastBy(Kernel kernel, int level, float fraction, float x);
    template <class Kernel>
    EffectColor highQualityBy(Kernel kernel, int level, float fraction, float x);
    template <int Channels>
    EffectColor fast(int level, float fraction, float x);
    EffectColor fastWide(int level, float fraction, float x);
    template <int Channels>
    void fastRun(int count, const int32_t* level, const float* fraction, const float* x, float* red, float* green,
                 float* blue, float* coverage);
    void fastRunWide(int count, const int32_t* level, const float* fraction, const float* x, float* red,
                     float* green, float* blue, float* coverage);
    template <int Taps>
    LevelSums& levelSums(int level);
    template <int Taps>
    void prepare(LevelSums& sums, int level);
    // Makes the sums cover columns first..last (a range that may be new,
    // or extend the one made so far on either side).
    template <int Taps>
    void cover(LevelSums& sums, int level, int first, int last);
    template <int Taps>
    void extend(LevelSums& sums, int level, int first, int last);

    const Pyramid* pyramid_ = nullptr;
    float y_ = 0;
    bool shared_ = false;  // an 8-bit storage whose sums are shared
    bool wide_ = false;    // the taps across are weighted with AVX2
    bool windowed_ = false;  // a 16-bit or float storage, its row sums kept in tapRows_
    int channels_ = 0;
    bool ready_[2][kPyramidLevels] = {};
    LevelSums levels_[2][kPyramidLevels];
    TapRowCache tapRows_;
};
