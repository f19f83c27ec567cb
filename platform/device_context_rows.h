// Windows only: shows rows of 8-bit RGB pixels on a device context, one
// image pixel per logical unit of the context (a scaled mapping makes each
// pixel a sharp block). The host's display procedure and the dialog's
// drawing surface both show pixel maps this way.
#pragma once

#include <cstdint>

// `deviceContext` is an HDC. Returns false when the context refuses the
// pixels; an empty rectangle draws nothing and succeeds.
bool drawRgbRows(void* deviceContext, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                 int32_t rowBytes);
