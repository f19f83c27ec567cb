// Deflate-compressed TIFF strips, the common layout of 8- and 16-bit files,
// inflated and deflated with libdeflate on several threads: each strip is its
// own zlib stream, so strips are independent. libtiff still reads and writes
// the tags and places the strips; anything unusual is left to it, so that
// its messages stay what they were.
#pragma once

#include "host/document.h"

#include <cstdint>
#include <tiffio.h>

// How a fast read went.
enum class TiffStripRead {
    notTaken,     // the layout is not one this reader takes, or a strip did not decode: read with libtiff
    fileScale,    // the document holds the file's samples (16-bit: 0..65535)
    hostScale,    // 16-bit samples already converted to the host's 0..32768
};

// Reads every strip of an open file whose layout the caller has checked and
// whose document is started (not yet grown): contiguous deflated strips of
// 8 or 16-bit unsigned samples with no predictor or the horizontal one, or
// 32-bit floats with no predictor. `toHostScale` asks for 16-bit samples on
// the host's scale. `threads` as for the writers (0: one per core).
TiffStripRead readDeflatedStrips(TIFF* tiff, Document& document, bool toHostScale, int32_t threads);

// Writes a document's 16-bit samples as deflated strips of `stripRows` rows
// after the horizontal predictor, compressed with libdeflate at level 1 on
// `threads` threads. Where a strip is one row libtiff compresses it the same
// way, so the file's bytes are the ones libtiff wrote; strips of several
// rows, which libtiff fed to zlib row by row, come out a little smaller.
// The tags must be set. False when a strip could not be written (libtiff's
// message is then in its error handler) or libdeflate is missing
// (`available` false: write with libtiff).
bool writeDeflatedStrips16(TIFF* tiff, const Document& document, bool withAlpha, uint32_t stripRows,
                           int32_t threads, bool& available);
