// Hexcone RGB <-> HSL in single precision, with the product's tie rules.
#include "kernels/hsl.h"

#include <algorithm>
#include <cmath>

HslColor rgbToHsl(float red, float green, float blue) {
    const float mx = std::max(std::max(red, green), blue);
    const float mn = std::min(std::min(red, green), blue);
    HslColor hsl;
    hsl.lightness = (mx + mn) / 2.0f;
    if (hsl.lightness <= 0.0f) return hsl;
    const float d = mx - mn;
    if (d == 0.0f) return hsl;
    hsl.saturation = hsl.lightness <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);

    // Decided in the order red, green, blue, so pure red gives 6/6 = 1; only
    // the one distance the sector needs is divided out.
    const auto part = [&](float channel) { return (mx - channel) / d; };
    float sixths;
    if (red == mx) {
        sixths = green == mn ? 5.0f + part(blue) : 1.0f - part(green);
    } else if (green == mx) {
        sixths = blue == mn ? 1.0f + part(red) : 3.0f - part(blue);
    } else {
        sixths = red == mn ? 3.0f + part(green) : 5.0f - part(red);
    }
    hsl.hue = sixths / 6.0f;
    return hsl;
}

float hslSaturation(float red, float green, float blue) {
    const float mx = std::max(std::max(red, green), blue);
    const float mn = std::min(std::min(red, green), blue);
    const float lightness = (mx + mn) / 2.0f;
    if (lightness <= 0.0f) return 0.0f;
    const float d = mx - mn;
    if (d == 0.0f) return 0.0f;
    return lightness <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
}

RgbColor hslToRgb(const HslColor& color) {
    const float l = color.lightness, s = color.saturation;
    const float q = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    if (q <= 0.0f) return RgbColor{};
    const float p = 2.0f * l - q;
    const float scaled = 6.0f * color.hue;
    // Truncated in float so that an absurd hue cannot overflow an int.
    const float k = std::trunc(scaled);
    const float f = scaled - k;
    const float rise = p + (q - p) * f;
    const float fall = q - (q - p) * f;
    const int sector = (k >= 0.0f && k < 6.0f) ? static_cast<int>(k) : 0;
    switch (sector) {
    case 1: return {fall, q, p};
    case 2: return {p, q, rise};
    case 3: return {p, fall, q};
    case 4: return {rise, p, q};
    case 5: return {q, p, fall};
    default: return {q, rise, p};
    }
}
