// The size rules of the layered-document export, one set for the "Export PSD
// image" dialog and the command line: each side 2..30000 pixels, and the
// other side kept in the image's proportions.
#pragma once

#include <cstdint>

inline constexpr int32_t kExportSideMinimum = 2, kExportSideMaximum = 30000;

// Whether a side given by the user lies in 2..30000.
constexpr bool exportSideInRange(int64_t side) { return side >= kExportSideMinimum && side <= kExportSideMaximum; }

// A side as the export stores it: the number truncated toward zero and
// clamped to 2..30000 (a number that is none counts as 0, so 2).
int32_t clampedExportSide(double value);

// The side that keeps the image's proportions: imageOther x side / imageSide
// in integers, truncated toward zero (the height 18 for a width of 30 on a
// 37 x 23 image). Exact for any 64-bit side, limited to the 64-bit range
// where the true quotient lies beyond it; 0 when imageSide is not positive.
int64_t proportionalSide(int64_t side, int32_t imageSide, int32_t imageOther);
