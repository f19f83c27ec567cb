// The pipeline's working colour: red, green, blue and coverage, nominally 0..1.
#pragma once

struct EffectColor {
    float red = 0, green = 0, blue = 0, coverage = 0;
};
