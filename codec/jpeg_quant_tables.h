// The quantisation tables the JPEG encoder installs, by quality level 0..9.
#pragma once

inline constexpr int kJpegTableLevels = 10;

// 64 values each, in natural (row by row) order, installed at scale 100.
extern const unsigned int kLumaQuantTables[kJpegTableLevels][64];
extern const unsigned int kChromaQuantTables[kJpegTableLevels][64];
