// The pixel planes of the layered document: the layer's four channels and
// the merged image composited over the checkerboard.
#include "export/psd_sections.h"

#include <cstring>

uint8_t psdMerged8(uint32_t channel, uint32_t alpha, int32_t x, int32_t y) {
    const uint32_t shade = ((x ^ y) & 8) ? 204 : 255;
    return uint8_t((shade * (255 - alpha) + channel * alpha) / 255);
}

uint32_t psdMerged16(uint32_t channel, uint32_t alpha, int32_t x, int32_t y) {
    const uint32_t shade = ((x ^ y) & 8) ? 26112 : 32640;
    return (shade * (32768 - alpha) + channel * alpha) >> 15;
}

uint16_t psdFile16(uint32_t value) { return value >= 32768 ? 65535 : uint16_t(2 * value); }
