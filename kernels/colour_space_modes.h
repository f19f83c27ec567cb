// The glue modes that work in a colour space: hue, saturation and perceived
// lightness, the colour wheel, and the opponent-colour space.
#pragma once

#include <cstdint>

#include "kernels/hsl.h"

// g(h, s): the weighted lightness 0.28 R + 0.52 G + 0.20 B of the colour
// (h, s, 0.5), limited to [0, 1].
float hueMidpoint(float hue, float saturation);

// Maps the HSL lightness of `color` to the perceived lightness, through the
// midpoint of its own hue and saturation.
float perceivedLightness(const HslColor& color);

// The HSL lightness that shows `target` as perceived lightness for a colour
// whose hue and saturation have the midpoint `midpoint`.
float lightnessForPerceived(float target, float midpoint);

// Red, green, blue (0..1) <-> hue, saturation and perceived lightness.
HslColor rgbToPerceivedHsl(const RgbColor& color);
RgbColor perceivedHslToRgb(const HslColor& color);

// One entry per mode: worked[0..2] is replaced by the result; channelMax is
// 255 or 32768.
void blendColor(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendLuminance(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendSaturation(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendHue(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendWax(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendWane(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendFrontal(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendParietal(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendTemporal(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendOccipital(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendLimbic(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendSinister(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendAnterior(int32_t worked[3], const int32_t source[3], int32_t channelMax);
void blendPosterior(int32_t worked[3], const int32_t source[3], int32_t channelMax);
