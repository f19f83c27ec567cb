// A test mode for failure sweeps: the n-th allocation the filter makes of
// its own memory, or the n-th file operation (open, write, sync, rename,
// close), fails as if the system had refused it. Off unless a test sets it;
// each module holds its own counts.
#pragma once

#include <cstdint>

// From now on the allocation numbered `allocation` and the file operation
// numbered `fileOperation` fail (1-based; 0: none). The counts restart.
void setInjectedFailures(int64_t allocation, int64_t fileOperation);
// Count one allocation or file operation; true when this one is to fail.
bool allocationFailsNow();
bool fileOperationFailsNow();
// How many have been counted since the last setInjectedFailures.
int64_t allocationsCounted();
int64_t fileOperationsCounted();
