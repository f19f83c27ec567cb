// Sample conversions between image files and the host's document: the 16-bit
// file range 0..65535 against the host's 0..32768, floats against integers,
// and the clean-up passes the readers apply in place.
#pragma once

#include "host/document.h"

#include <cstdint>

// Round trips. fileToHost16 rounds v * 32768 / 65535 to the nearest integer
// (0 -> 0, 65535 -> 32768); hostToFile16 rounds h * 65535 / 32768, halves up
// (32768 -> 65535). Writing then reading gives every host value 0..32768 back
// exactly, because the written value is within 1/2 of h * 65535 / 32768 and
// reading shrinks that error to at most 1/4. The other way 65536 file values
// meet 32769 host values, so a file value comes back within 1 of itself, and
// exactly when it is one that writing produces (0, 2, 4, 65533 and 65535 among
// them, 1 and 3 not);
// after one read-write cycle a file is stable.
inline uint16_t fileToHost16(uint32_t v) { return uint16_t((v * 32768u + 32767u) / 65535u); }
inline uint16_t hostToFile16(uint32_t h) {
    if (h > 32768u) h = 32768u;  // a sample above the host's full scale is full
    return uint16_t((h * 65535u + 16384u) / 32768u);
}

// Host 16-bit to 8 bits, rounded: 32768 -> 255, 16384 -> 128.
inline uint8_t host16To8(uint32_t h) {
    if (h > 32768u) h = 32768u;
    return uint8_t((h * 255u + 16384u) / 32768u);
}

// Floats are limited to 0..1 (NaN as 0) and scaled with rounding.
inline double unitInterval(float v) { return v > 0.0f ? (v < 1.0f ? double(v) : 1.0) : 0.0; }
inline uint8_t floatTo8(float v) { return uint8_t(unitInterval(v) * 255.0 + 0.5); }
inline uint16_t floatToFile16(float v) { return uint16_t(unitInterval(v) * 65535.0 + 0.5); }
inline float eightToFloat(uint8_t v) { return float(v) / 255.0f; }
inline float host16ToFloat(uint16_t h) { return float(h) / 32768.0f; }

// One row of the document in a file's layout: depth 8 (bytes), 16 (0..65535,
// native or big-endian order) or 32 (native floats); the alpha sample is kept
// when withAlpha and the document has one.
void documentRowToFile(const Document& document, int32_t y, int fileDepth, bool withAlpha,
                       bool bigEndian16, uint8_t* out);
size_t fileRowBytes(const Document& document, int fileDepth, bool withAlpha);

// In-place passes over a document whose samples were just decoded:
// file 16-bit (native order) to the host scale;
void convertFile16ToHost(Document& document);
// grey stored as 0 = white (the maximum is 65535 for 16-bit samples, before
// they are converted, and 1 for floats);
void invertGrey(Document& document);
// associated (premultiplied) alpha to straight alpha; fileMaximum is the
// integer samples' full scale (255 or 65535; ignored for floats).
void unpremultiplyAlpha(Document& document, uint32_t fileMaximum);
