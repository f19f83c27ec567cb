// Undoing PNG row filters: the plain byte-by-byte form, which is the
// reference, and a vector form for pixels of 3 to 8 bytes that gives the
// same bytes faster: a pixel per step, and two Paeth rows side by side (the
// Average and Paeth filters carry each byte into the next pixel, so a row
// alone is one long chain of dependent steps).
#pragma once

#include <cstddef>
#include <cstdint>

// Undoes one row's filter (PNG filter types 0..4) into `out`; `previous` is
// the unfiltered row above, or null for the first row. False for an
// unknown filter type.
bool unfilterPngRow(uint8_t type, const uint8_t* filtered, const uint8_t* previous, uint8_t* out, size_t rowBytes,
                    size_t pixelBytes);

// The same bytes as unfilterPngRow, one pixel per vector step where the
// machine and the pixel size allow (every x86-64 has the vectors needed).
bool unfilterPngRowFast(uint8_t type, const uint8_t* filtered, const uint8_t* previous, uint8_t* out,
                        size_t rowBytes, size_t pixelBytes);

// Two rows, `lower` directly below `upper`: the same bytes as unfilterPngRow
// on the upper row and then on the lower one with the upper row above it.
// Two Paeth rows under a row above are undone together.
bool unfilterPngRowPairFast(uint8_t upperType, const uint8_t* filteredUpper, uint8_t lowerType,
                            const uint8_t* filteredLower, const uint8_t* above, uint8_t* outUpper, uint8_t* outLower,
                            size_t rowBytes, size_t pixelBytes);
