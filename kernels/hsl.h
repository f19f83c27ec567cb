// The one pair of hexcone HSL conversions used by the effect pipeline, the
// colour-space glue modes and Dice; single precision throughout.
#pragma once

struct RgbColor {
    float red = 0, green = 0, blue = 0;
};

// Hue 0..1 for one turn (red at 0; pure red itself decomposes to 1),
// saturation 0..1, lightness 0..1.
struct HslColor {
    float hue = 0, saturation = 0, lightness = 0;
};

HslColor rgbToHsl(float red, float green, float blue);
inline HslColor rgbToHsl(const RgbColor& color) { return rgbToHsl(color.red, color.green, color.blue); }

// The saturation of rgbToHsl alone, with the same arithmetic.
float hslSaturation(float red, float green, float blue);

// A q of 0 or less gives black. The sector is the integer part of 6 x hue;
// a sector of 6 or more (a hue of 1 or more) is composed as sector 0, and so
// is a negative one (a hue of -1/6 or less), which no blend or effect stage
// produces.
RgbColor hslToRgb(const HslColor& color);
