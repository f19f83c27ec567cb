// Per-run constants of the effect.
#include "effect/effect_setup.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPercent = 0.01;
constexpr float kInverse65535 = 1.5259022e-5f;
constexpr double kSquareRootOfTwo = 1.414213562373095;
}  // namespace

EffectSetup makeEffectSetup(const UserSettings& s, int32_t extentWidth, int32_t extentHeight) {
    EffectSetup e{};
    const float focus = float(s.focus * kPercent);
    const float focusSquared = focus * focus;
    e.focusGain = float(5.12 * focusSquared);
    e.blurGain = float(s.colorBlur * kPercent * 2);
    e.blurWidth = float(s.cbWidth * kPercent);
    e.saturationSlope = float(s.saturation * kPercent * 4 - 2);
    e.dampenGain = float(s.dampen * kPercent);
    e.vignetteGain = float(s.vignette * kPercent * 4);
    e.sepiaGain = float(s.sepia * kPercent);
    const bool band = s.shape == shapeWide || s.shape == shapeTall;
    e.clearRadius = band ? float(s.clearArea * kPercent * 0.5) : float(s.clearArea * kPercent / kSquareRootOfTwo);
    const uint16_t vignette[3] = {s.vignetteColor.red, s.vignetteColor.green, s.vignetteColor.blue};
    const uint16_t sepia[3] = {s.sepiaColor.red, s.sepiaColor.green, s.sepiaColor.blue};
    for (int c = 0; c < 3; ++c) {
        const float q = float(vignette[c]) * kInverse65535;
        e.vignetteSquared[c] = q * q;
        e.sepiaColor[c] = float(sepia[c]) * kInverse65535;
    }
    e.extent = float(std::max(extentWidth, extentHeight));
    e.radiusScale = e.extent * 30 / 1024;
    e.centerX = s.xCenter;
    e.centerY = s.yCenter;
    e.shape = s.shape;
    e.glue = s.glue;
    e.highQuality = s.highQuality == 1;
    e.centerVignette = s.centerVignette != 0;
    e.uniformSepia = s.uniformSepia != 0;
    return e;
}
