// The image data of a plain PNG (not interlaced, 8 or 16 bits per sample,
// no palette or transparency key) read without libpng: the IDAT chunks
// gathered, inflated with libdeflate and the rows unfiltered. A stream that
// was deflated in stripes ending on byte boundaries, each stripe its own
// chunks (as our writer does), is inflated stripe by stripe on several
// threads. Anything unusual is left to libpng, which reads such files with
// its own messages.
#pragma once

#include "host/document.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Reads the image data from `file`, positioned just after the type of the
// first IDAT chunk, up to and including IEND, into the document's rows
// (16-bit samples already on the host's 0..32768 scale).
// `threads` as for the writers (0: one per core). True when every chunk's
// checksum, the stream, its checksum and the amount of data are right;
// false means the file should be read the plain way (the document's rows
// are then undefined).
bool inflatePngRows(std::FILE* file, Document& document, int32_t threads);

