// The colour-space glue modes a row at a time on vector instructions: for
// each level the CPU may run, a row function per mode whose results are the
// per-pixel functions' bits.
#pragma once

#include <cstdint>

#include "kernels/speed_settings.h"

// Blends `count` interleaved pixels (red, green, blue, each in [0, M]) of
// `worked` with `source` in place; channelMax is 255 or 32768.
using ColourSpaceRow = void (*)(int32_t* worked, const int32_t* source, int count, int32_t channelMax);

// The row function of colour-space glue mode `mode` at `level`; null for the
// scalar reference and for the other modes.
ColourSpaceRow colourSpaceRowFor(SimdLevel level, int32_t mode);

// Each level's functions by mode (null where the mode is not a colour-space one).
ColourSpaceRow colourSpaceRowBase(int32_t mode);
ColourSpaceRow colourSpaceRowAvx2(int32_t mode);
ColourSpaceRow colourSpaceRowAvx512(int32_t mode);
