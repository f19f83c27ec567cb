// One generator for the whole process, as the runtime's own would be.
#include "plugin/process_random.h"

RuntimeRandom& processRandom() {
    static RuntimeRandom random;
    return random;
}
