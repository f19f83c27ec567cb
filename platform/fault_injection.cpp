// The counters of the failure sweeps' test mode.
#include "platform/fault_injection.h"

namespace {
int64_t gFailAllocation = 0, gFailFileOperation = 0;
int64_t gAllocations = 0, gFileOperations = 0;
}  // namespace

void setInjectedFailures(int64_t allocation, int64_t fileOperation) {
    gFailAllocation = allocation;
    gFailFileOperation = fileOperation;
    gAllocations = gFileOperations = 0;
}

bool allocationFailsNow() { return ++gAllocations == gFailAllocation; }
bool fileOperationFailsNow() { return ++gFileOperations == gFailFileOperation; }
int64_t allocationsCounted() { return gAllocations; }
int64_t fileOperationsCounted() { return gFileOperations; }
