// Dice: random settings drawn from the runtime's generator in a fixed order,
// so that one seed always gives the same look.
#pragma once

#include "model/parameters.h"
#include "platform/runtime_random.h"

#include <cstdint>

// A random integer in [a, b]: the generator's value shifted right by 4, masked
// with the smallest 2^k - 1 that covers b - a, drawn again until it fits.
int32_t diceDraw(RuntimeRandom& random, int32_t a, int32_t b);

// Sets CB width, auxInt11, clear area, auxInt10, vignette, saturation, sepia,
// auxInt1, dampen and the vignette colour, in that order of draws. Focus,
// colour blur, the check boxes, glue, shape, the centre and the sepia colour
// are left as they are.
void rollDice(UserSettings& settings, RuntimeRandom& random);
