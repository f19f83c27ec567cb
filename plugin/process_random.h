// The process's random generator for Dice, seeded at every Prepare.
#pragma once

#include "platform/runtime_random.h"

RuntimeRandom& processRandom();
