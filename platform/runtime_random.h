// The runtime's 15-bit random generator, so that Dice draws the same numbers
// on every platform: state = state * 214013 + 2531011, value = bits 16..30.
#pragma once

#include <cstdint>

struct RuntimeRandom {
    uint32_t state = 1;  // the runtime's state before any seed
};

void seedRuntimeRandom(RuntimeRandom& random, uint32_t seed);
// Seeds with the current time in seconds, as Prepare does.
void seedRuntimeRandomFromClock(RuntimeRandom& random);
// The next value, 0..32767.
int32_t nextRuntimeRandom(RuntimeRandom& random);
