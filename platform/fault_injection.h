// A test mode for failure sweeps: the n-th point of one kind fails as if the
// system had refused it. The kinds: an allocation through the filter's memory
// services, a heap allocation of the module's own code (a growing buffer, a
// thread's state), an allocation of an image codec (libjpeg, libpng), and a
// file operation (open, write, sync, rename, close). Off unless a test arms
// it; each module holds its own counts.
#pragma once

#include <cstdint>

enum class FailurePoint : int32_t { allocation = 0, heapAllocation = 1, codecAllocation = 2, fileOperation = 3 };
constexpr int32_t kFailurePointKinds = 4;

// Arms the test mode: every count restarts, and point number `failAt[kind]`
// of each kind fails (1-based; 0: none of that kind).
void setInjectedFailurePoints(const int64_t (&failAt)[kFailurePointKinds]);
// The same for the two kinds the older sweeps use; the other kinds fail nowhere.
void setInjectedFailures(int64_t allocation, int64_t fileOperation);
// True once a test has armed the mode: the codecs and the heap hooks stay out
// of the way until then.
bool failureInjectionArmed();
// Counts one point of `kind` (when armed); true when this one is to fail.
bool failsNow(FailurePoint kind);
bool allocationFailsNow();
bool fileOperationFailsNow();
// How many points of each kind have been counted since the mode was last set.
int64_t failurePointsCounted(FailurePoint kind);
int64_t allocationsCounted();
int64_t fileOperationsCounted();
