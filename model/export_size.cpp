// The export size rules.
#include "model/export_size.h"

#include <cstdint>
#include <limits>

int32_t clampedExportSide(double value) {
    if (!(value >= kExportSideMinimum)) return kExportSideMinimum;  // also a number that is none
    if (value >= kExportSideMaximum) return kExportSideMaximum;
    return int32_t(value);
}

int64_t proportionalSide(int64_t side, int32_t imageSide, int32_t imageOther) {
    if (imageSide <= 0) return 0;
    // The product of a 64-bit side and a 32-bit size needs up to 95 bits.
    const __int128 quotient = __int128(side) * imageOther / imageSide;
    constexpr int64_t most = std::numeric_limits<int64_t>::max();
    constexpr int64_t least = std::numeric_limits<int64_t>::min();
    if (quotient > most) return most;
    if (quotient < least) return least;
    return int64_t(quotient);
}
