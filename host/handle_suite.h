// The host's handle service: movable blocks that the plug-in keeps between
// calls (globals, parameter block) and that carry descriptors. A test can
// make the suite look old or incomplete and can make allocations fail.
#pragma once

#include "interface/host_interface.h"

#include <cstdint>

struct HandleSuiteConfig {
    int16_t version = kCurrentHandleProcsVersion;
    int16_t procedureCount = 8;
    bool withNew = true, withDispose = true, withGetSize = true, withSetSize = true;
    bool withLock = true, withUnlock = true;
    int32_t failFromAllocation = 0;  // 0: never; n: the n-th allocation and all after fail
    int32_t failOnlyAllocation = 0;  // 0: never; n: only the n-th allocation fails
};

// Fills procs from the configuration; the procedures are process-wide.
void fillHandleProcs(HandleProcs& procs, const HandleSuiteConfig& config);

// Direct access for the host's own code (descriptors, tests).
Handle hostNewHandle(int32_t size);
void hostDisposeHandle(Handle handle);
int32_t hostHandleSize(Handle handle);
OSErr hostSetHandleSize(Handle handle, int32_t size);
Ptr hostLockHandle(Handle handle, Boolean moveHigh);
void hostUnlockHandle(Handle handle);

// Handles alive now (a leak check for tests) and allocation failure control.
int32_t liveHostHandles();
void setHandleFailures(int32_t failFromAllocation, int32_t failOnlyAllocation);
