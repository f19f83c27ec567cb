// Dice's draws.
#include "ui/dice.h"

#include "kernels/hsl.h"

#include <cmath>

int32_t diceDraw(RuntimeRandom& random, int32_t a, int32_t b) {
    int32_t mask = 1;
    while (mask < b - a) mask = mask * 2 + 1;
    for (;;) {
        const int32_t candidate = a + ((nextRuntimeRandom(random) >> 4) & mask);
        if (candidate <= b) return candidate;
    }
}

namespace {

uint16_t channel16(float value) {
    // Each channel x 65535, truncated; the composition stays within 0..1 but
    // a value just outside is held to the channel's range.
    const float scaled = value * 65535.0f;
    if (!(scaled > 0.0f)) return 0;
    if (scaled >= 65535.0f) return 65535;
    return uint16_t(scaled);
}

}  // namespace

void rollDice(UserSettings& settings, RuntimeRandom& random) {
    settings.cbWidth = diceDraw(random, 0, 70);
    settings.auxInt11 = diceDraw(random, 0, 60);
    settings.clearArea = diceDraw(random, 30, 60);
    const int32_t first = diceDraw(random, 0, 70);
    settings.auxInt10 = first * diceDraw(random, 0, 70) / 100;
    settings.vignette = diceDraw(random, 20, 80);
    settings.saturation = diceDraw(random, 1, 90);
    settings.sepia = diceDraw(random, 20, 100);
    settings.auxInt1 = diceDraw(random, 0, 60);
    settings.dampen = diceDraw(random, 3, 80);

    HslColor hsl = rgbToHsl(0.04f, 0.05f, 0.21f);
    hsl.hue += float(diceDraw(random, 0, 100) - 50) * 0.05f;
    hsl.saturation *= float(diceDraw(random, 0, 100)) * 0.01f;
    hsl.lightness *= float(diceDraw(random, 0, 100)) * 0.02f;
    if (diceDraw(random, 0, 100) >= 41) hsl.lightness = 0.0f;
    // The offset can carry the hue out of one turn; it is wrapped back into
    // 0..1 so that every hue names the colour it points at.
    hsl.hue -= std::floor(hsl.hue);
    const RgbColor rgb = hslToRgb(hsl);
    settings.vignetteColor = {channel16(rgb.red), channel16(rgb.green), channel16(rgb.blue)};
}
