// The process-wide thread count and vector level of the filter.
#include "kernels/speed_settings.h"

#include "kernels/jobs.h"
#include "kernels/vector_levels.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace {
std::atomic<int> gConcurrency{0};
std::atomic<int> gRequestedSimd{int(SimdLevel::avx512)};

SimdLevel detectSimdLevel() {
#if defined(TWL_X86_VECTORS)
    __builtin_cpu_init();
    // Every feature the AVX-512 entries are built for.
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq"))
        return SimdLevel::avx512;
    if (__builtin_cpu_supports("avx2")) return SimdLevel::avx2;
    return SimdLevel::sse2;  // the x86-64 baseline
#else
    return SimdLevel::scalar;
#endif
}
}  // namespace

int jobConcurrency() {
    int count = gConcurrency.load();
    // The machine's count is asked once: the library reads it from a system
    // file, and the pass asks before every row.
    static const int machineThreads = int(std::thread::hardware_concurrency());
    if (count <= 0) count = machineThreads;
    if (count < 1) count = 1;
    return count > kMaxJobs ? kMaxJobs : count;
}

void setJobConcurrency(int count) { gConcurrency.store(count < 0 ? 0 : count); }

SimdLevel supportedSimdLevel() {
    static const SimdLevel level = detectSimdLevel();
    return level;
}

SimdLevel activeSimdLevel() {
    const int requested = gRequestedSimd.load();
    const int supported = int(supportedSimdLevel());
    return SimdLevel(requested < supported ? requested : supported);
}

void requestSimdLevel(SimdLevel level) { gRequestedSimd.store(int(level)); }

const char* simdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::scalar: return "scalar";
        case SimdLevel::sse2: return "sse2";
        case SimdLevel::avx2: return "avx2";
        case SimdLevel::avx512: return "avx512";
    }
    return "scalar";
}

bool parseSimdLevel(const char* name, SimdLevel& level) {
    for (SimdLevel candidate : {SimdLevel::scalar, SimdLevel::sse2, SimdLevel::avx2, SimdLevel::avx512}) {
        if (std::strcmp(name, simdLevelName(candidate)) == 0) {
            level = candidate;
            return true;
        }
    }
    return false;
}
