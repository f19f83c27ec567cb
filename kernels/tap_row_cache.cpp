// Row sums of the 16-bit and float level kernels, carried down the rows of a
// pass: the row's set-up, and the base level's kernels.
#include "kernels/tap_row_kernel.h"

#include <atomic>

namespace {
constexpr LevelTable<const TapRowKernels*> kTapRowKernels = {&kTapRowKernelsBase, &kTapRowKernelsBase,
                                                             TWL_X86_ENTRY(&kTapRowKernelsAvx2),
                                                             TWL_X86_ENTRY(&kTapRowKernelsAvx2)};
}  // namespace

extern const TapRowKernels kTapRowKernelsBase = tapRowKernelsHere();

uint64_t newSourceSerial() {
    static std::atomic<uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void TapRowCache::start(const Pyramid& pyramid, float y, uint64_t serial) {
    if (serial == 0 || serial != serial_ || &pyramid != pyramid_) {
        if (++epoch_ == 0) {
            // After 2^32 epochs an old slot could look current: forget them all.
            for (TapRowSlots<5>& s : slots5_) std::fill(s.slots.begin(), s.slots.end(), TapRowSlot<5>{});
            for (TapRowSlots<7>& s : slots7_) std::fill(s.slots.begin(), s.slots.end(), TapRowSlot<7>{});
            epoch_ = 1;
        }
    }
    pyramid_ = &pyramid;
    serial_ = serial;
    y_ = y;
    const TapRowKernels& kernels = *kTapRowKernels[activeSimdLevel()];
    const bool real = pyramid.storageType == kStorageFloat4;
    kernel5_ = real ? kernels.real5 : kernels.integer5;
    kernel7_ = real ? kernels.real7 : kernels.integer7;
    for (auto& table : rows_)
        for (TapRows& r : table) r.ready = false;
}

template <int Taps>
const TapRows& TapRowCache::prepare(int level) {
    TapRows& r = rows_[Taps == 5 ? 0 : 1][level];
    const Pyramid& p = *pyramid_;
    constexpr int kHalf = Taps / 2;
    const AxisPosition ay = axisPosition(levelY(p, level, y_));
    const bool wrapRows = p.edgeMode == kEdgeWrap;
    for (int i = 0; i < Taps; ++i) {
        r.rows[i] = edgeIndex(ay.base, i - kHalf, p.height[level], wrapRows);
        r.places[i] = r.rows[i] % Taps;
    }
    const auto& integer = integerWeights<Taps>(*p.weights);
    const auto& real = realWeights<Taps>(*p.weights);
    for (int k = 0; k < Taps; ++k) {
        r.integerY[k] = integer[k][ay.phase];
        r.integerYWide[k] = double(r.integerY[k]);
        r.realY[k] = real[k][ay.phase];
    }
    // A slot for every base column 0..width and phase group.
    TapRowSlots<Taps>& s = [&]() -> TapRowSlots<Taps>& {
        if constexpr (Taps == 5) return slots5_[level];
        else return slots7_[level];
    }();
    s.shift = std::min(level, 7);
    const size_t count = size_t(p.width[level] + 1) << s.shift;
    if (s.slots.size() < count) s.slots.resize(count);
    r.ready = true;
    return r;
}

template const TapRows& TapRowCache::prepare<5>(int);
template const TapRows& TapRowCache::prepare<7>(int);
