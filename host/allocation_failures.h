// When a test host's allocations fail: from the n-th on, or only the n-th.
#pragma once

#include <cstdint>

struct AllocationFailures {
    int32_t failFrom = 0;  // 0: never
    int32_t failOnly = 0;  // 0: never
    int32_t made = 0;      // allocations asked for since the last reset

    void reset(int32_t from, int32_t only) {
        failFrom = from;
        failOnly = only;
        made = 0;
    }
    // Counts one allocation; true when it is to fail.
    bool next() {
        ++made;
        return (failFrom > 0 && made >= failFrom) || (failOnly > 0 && made == failOnly);
    }
};
