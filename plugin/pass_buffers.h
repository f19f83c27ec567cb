// The filtering pass's working buffers and images.
#pragma once

#include "plugin/globals.h"

#include <cstddef>

// The row buffer for a pass of width x height: the larger of
// 2 x (max(W, H) + 4) and 3 x W + 2184 bytes; a side below 0 counts as 0.
int32_t rowBufferBytes(int32_t width, int32_t height);

// Start: the row buffer, seven scratch buffers, the job table and the work
// area. On any failure all are released and false is returned.
bool allocateWorkingBuffers(PluginGlobals& globals);
// Writes the memory-dot map, frees every working buffer and the images.
void releaseWorkingBuffers(PluginGlobals& globals);
// Start's per-run image set-up: the pyramid and internal image records and
// the 128 x 128 thumbnail image.
void preparePassImages(PluginGlobals& globals);
// Makes the row buffer at least bytes long; false when memory is short.
bool growRowBuffer(PluginGlobals& globals, size_t bytes);
