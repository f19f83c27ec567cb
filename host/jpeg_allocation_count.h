// The failure sweeps' hook on the host's libjpeg objects.
#pragma once

#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

// Call after jpeg_create_*: while a failure sweep is armed, each of the
// codec's allocations is counted and the chosen one fails as libjpeg's own
// do when memory runs out (through error_exit). Does nothing otherwise.
void countHostJpegAllocations(j_common_ptr codec);
