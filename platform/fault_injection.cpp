// The counters of the failure sweeps' test mode. Atomic, because the job
// threads and a gallery's encoders may count at the same time.
#include "platform/fault_injection.h"

#include <atomic>

namespace {
struct Counter {
    std::atomic<int64_t> failAt{0};
    std::atomic<int64_t> counted{0};
};
std::atomic<bool> gArmed{false};
Counter gCounters[kFailurePointKinds];
}  // namespace

void setInjectedFailurePoints(const int64_t (&failAt)[kFailurePointKinds]) {
    for (int32_t kind = 0; kind < kFailurePointKinds; ++kind) {
        gCounters[kind].failAt.store(failAt[kind], std::memory_order_relaxed);
        gCounters[kind].counted.store(0, std::memory_order_relaxed);
    }
    gArmed.store(true, std::memory_order_release);
}

void setInjectedFailures(int64_t allocation, int64_t fileOperation) {
    int64_t failAt[kFailurePointKinds] = {};
    failAt[int32_t(FailurePoint::allocation)] = allocation;
    failAt[int32_t(FailurePoint::fileOperation)] = fileOperation;
    setInjectedFailurePoints(failAt);
}

bool failureInjectionArmed() { return gArmed.load(std::memory_order_relaxed); }

bool failsNow(FailurePoint kind) {
    if (!gArmed.load(std::memory_order_relaxed)) return false;
    Counter& counter = gCounters[int32_t(kind)];
    const int64_t number = counter.counted.fetch_add(1, std::memory_order_relaxed) + 1;
    return number == counter.failAt.load(std::memory_order_relaxed);
}

bool allocationFailsNow() { return failsNow(FailurePoint::allocation); }
bool fileOperationFailsNow() { return failsNow(FailurePoint::fileOperation); }

int64_t failurePointsCounted(FailurePoint kind) {
    return gCounters[int32_t(kind)].counted.load(std::memory_order_relaxed);
}
int64_t allocationsCounted() { return failurePointsCounted(FailurePoint::allocation); }
int64_t fileOperationsCounted() { return failurePointsCounted(FailurePoint::fileOperation); }
