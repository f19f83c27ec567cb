// Resampling a whole image into a target of the same or another colour
// storage type (3, 4 or 9), keeping the target's depth.
#pragma once

#include "kernels/pyramid.h"

// Samples the source with the fast sampler at the centre of every target
// pixel, writes opaque colours at the target's depth, then rebuilds the
// target's levels. The source must carry its weight tables.
void resampleImageKeepingDepth(const Pyramid& source, Pyramid& target, int jobCount = 1);
