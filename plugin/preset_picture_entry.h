// The preset picture made from a finished image, for programs that write
// presets outside a filter run: the same square capture the plug-in makes
// of the host's output at Start.
#pragma once

#include <cstdint>

// Pixel values of the image handed in: 8-bit, 16-bit on 0..32768, or 32-bit float.
enum PresetPictureSource : int32_t { presetPicture8Bit = 0, presetPicture16Bit = 1, presetPictureFloat = 2 };

// Writes the 128 x 128 opaque RGBA picture (8 bits per channel, rows top to
// bottom) of the centred square of the image into rgba. Returns 0, -50 for an
// unusable image description, or -108 when memory is short.
int16_t makePresetPictureFromImage(const void* pixels, int64_t rowBytes, int32_t planes, int32_t width,
                                   int32_t height, int32_t valueClass, uint8_t* rgba);
