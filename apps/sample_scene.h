// The built-in sample: a generated landscape at dusk with sky, clouds,
// mountains, a lake and a foreground meadow, detailed enough that the
// clear area, the blur and the vignette show.
#pragma once

#include "host/document.h"

Document makeSampleScene(int32_t width = 960, int32_t height = 640);
