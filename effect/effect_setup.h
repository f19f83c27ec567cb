// The per-run constants of the effect, committed once per pass from the
// settings (each division by 100 in double precision, stored as float). The
// per-pixel code reads only these, never the settings.
#pragma once

#include <cmath>

#include "model/parameters.h"

struct EffectSetup {
    float focusGain;
    float blurGain;
    float blurWidth;
    float saturationSlope;
    float dampenGain;
    float vignetteGain;
    float sepiaGain;
    float clearRadius;
    float vignetteSquared[3];
    float sepiaColor[3];
    float extent;
    float radiusScale;  // extent x 30 / 1024: blur radius per unit of d x focusGain
    float centerX, centerY;  // the clear area's centre, normalised
    int32_t shape;
    int32_t glue;  // the glue mode
    bool highQuality, centerVignette, uniformSepia;
};

EffectSetup makeEffectSetup(const UserSettings& settings, int32_t extentWidth, int32_t extentHeight);

// The falloff distance of a normalised position from the clear area
// (before the limit at 0). Shapes other than wide and tall use the round
// falloff: the dialog and the scripting terms offer only these three.
inline float falloffDistance(int32_t shape, float u, float v, float centerX, float centerY, float clearRadius) {
    switch (shape) {
        case shapeWide: return std::fabs(v - centerY) - clearRadius;
        case shapeTall: return std::fabs(u - centerX) - clearRadius;
        default: {
            const float dy = v - centerY, dx = u - centerX;
            return std::sqrt(dy * dy + dx * dx) - clearRadius;
        }
    }
}
