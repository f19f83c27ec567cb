// Row sources for the JPEG encoder.
#include "codec/jpeg_row_source.h"

namespace {
void readRgba8Row(const void* context, int32_t y, EffectColor* row) {
    const Rgba8Picture& picture = *static_cast<const Rgba8Picture*>(context);
    const size_t rowBytes = picture.rowBytes != 0 ? picture.rowBytes : static_cast<size_t>(picture.width) * 4;
    const uint8_t* pixel = picture.pixels + static_cast<size_t>(y) * rowBytes;
    for (int32_t x = 0; x < picture.width; ++x, pixel += 4) {
        row[x].red = pixel[0] / 255.0f;
        row[x].green = pixel[1] / 255.0f;
        row[x].blue = pixel[2] / 255.0f;
        row[x].coverage = pixel[3] / 255.0f;
    }
}
}  // namespace

JpegRowSource rgba8RowSource(const Rgba8Picture& picture) {
    JpegRowSource source;
    if (picture.pixels == nullptr) return source;
    source.width = picture.width;
    source.height = picture.height;
    source.readRow = readRgba8Row;
    source.context = &picture;
    return source;
}
