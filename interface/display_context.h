// The platform context a host's display procedure draws into. On Windows it
// is the window's device context; on Linux, where windows have no common
// device context, the plug-in passes a pointer to this record and the host
// hands it rows of 8-bit RGB pixels.
#pragma once

#include <cstdint>

struct DisplayContext {
    void* surface;
    // Draws width x height pixels, three bytes each (red, green, blue), rows
    // rowBytes apart, with the top-left at (x, y) of the surface.
    void (*drawRgb)(void* surface, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                    int32_t rowBytes);
};
