// The 128 x 128 square thumbnail of the host's current picture.
#pragma once

#include "effect/host_rows.h"
#include "effect/tiled_image.h"
#include "platform/memory_service.h"
#include "kernels/samplers.h"

// Makes the thumbnail image (a packed 8-bit (kStoragePacked8) tiled image, normally 128 x 128) from
// the host's output buffer, whose rectangle is rectWidth x rectHeight: builds
// the weight tables, fills the grey placeholder, captures the centred square
// of side min(width, height) into a scratch image from `memory`, rebuilds its
// levels and copies it (resampled when the sizes differ) into the thumbnail.
// The caller checks that the host offers advanceState. Nothing happens when
// the thumbnail has no tiles; returns true when the picture was captured
// (false leaves the placeholder, e.g. when the scratch image cannot be made).
bool makeSquareThumbnail(const HostPixelBuffer& buffer, int rectWidth, int rectHeight, Pyramid& thumbnail,
                         WeightTables& weights, MemoryService memory);
