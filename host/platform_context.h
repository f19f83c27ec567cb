// The platform context a plug-in hands the host's display procedure: the
// window's device context (HDC) on Windows, a DisplayContext record on
// Linux. The host draws rows of 8-bit RGB into it.
#pragma once

#include <cstdint>

// Draws width x height pixels (red, green, blue bytes, rows rowBytes apart)
// with the top-left at (x, y) of the context; false when the context cannot
// be drawn into.
bool drawIntoPlatformContext(void* platformContext, int32_t x, int32_t y, int32_t width, int32_t height,
                             const uint8_t* rgb, int32_t rowBytes);
