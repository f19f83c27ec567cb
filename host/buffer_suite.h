// The host's buffer service for the plug-in's large temporary blocks. Tests
// can make it look old or incomplete and make allocations fail.
#pragma once

#include "interface/host_interface.h"

struct BufferSuiteConfig {
    int16_t version = kCurrentBufferProcsVersion;
    int16_t procedureCount = 8;
    bool withAllocate = true, withLock = true, withUnlock = true, withFree = true, withSpace = true;
    bool lockGivesNull = false;      // lock returns no address
    int32_t failFromAllocation = 0;  // 0: never; n: the n-th allocation and all after fail
    int32_t failOnlyAllocation = 0;  // 0: never; n: only the n-th fails
    // Every new buffer is filled with a pattern, so that a plug-in that relies
    // on zeroed memory fails visibly (the tests' host). The programs turn it
    // off: a real host hands out memory as it is, and filling image-sized
    // buffers would take their fresh pages on one thread before the plug-in's
    // jobs write them.
    bool markContents = true;
};

void fillBufferProcs(BufferProcs& procs, const BufferSuiteConfig& config);

// Buffers alive now and allocations made since the last fill (for tests).
int32_t liveHostBuffers();
int32_t hostBufferAllocations();
