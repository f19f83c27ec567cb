// RGB rows shown on a device context through a top-down DIB of
// blue-green-red rows padded to four bytes.
#include "platform/device_context_rows.h"

#include <windows.h>

#include <cstddef>
#include <vector>

bool drawRgbRows(void* deviceContext, int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* rgb,
                 int32_t rowBytes) {
    HDC dc = static_cast<HDC>(deviceContext);
    if (!dc) return false;
    if (width <= 0 || height <= 0) return true;
    const int32_t stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> bits(size_t(stride) * size_t(height));
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* in = rgb + ptrdiff_t(row) * rowBytes;
        uint8_t* out = bits.data() + size_t(row) * size_t(stride);
        for (int32_t column = 0; column < width; ++column) {
            out[3 * column] = in[3 * column + 2];
            out[3 * column + 1] = in[3 * column + 1];
            out[3 * column + 2] = in[3 * column];
        }
    }
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    return StretchDIBits(dc, x, y, width, height, 0, 0, width, height, bits.data(), &info, DIB_RGB_COLORS, SRCCOPY) != 0;
}
