// The 15-bit linear congruential generator of the runtime.
#include "platform/runtime_random.h"

#include "platform/utc_date.h"

void seedRuntimeRandom(RuntimeRandom& random, uint32_t seed) {
    random.state = seed;
}

void seedRuntimeRandomFromClock(RuntimeRandom& random) {
    seedRuntimeRandom(random, static_cast<uint32_t>(currentTimeSeconds()));
}

int32_t nextRuntimeRandom(RuntimeRandom& random) {
    // Unsigned arithmetic wraps modulo 2^32 as the runtime's state does.
    random.state = random.state * 214013u + 2531011u;
    return static_cast<int32_t>((random.state >> 16) & 0x7FFFu);
}
