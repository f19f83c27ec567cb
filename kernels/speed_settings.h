// How the filter uses the machine: the number of jobs that run at once and
// the vector instruction level of the kernels. Neither changes a result:
// every thread count and every level gives the bits of the one-thread,
// scalar reference.
#pragma once

#include <cstdint>

enum class SimdLevel : int32_t { scalar = 0, sse2 = 1, avx2 = 2, avx512 = 3 };

// Jobs that run at once: the count set, or the machine's cores when none
// (0) was set; always 1..kMaxJobs.
int jobConcurrency();
// 0 asks for the machine's cores; 1 is the reference; at most kMaxJobs count.
void setJobConcurrency(int count);

// The best level this CPU runs.
SimdLevel supportedSimdLevel();
// The level the kernels use: the one asked for, at most the supported one.
SimdLevel activeSimdLevel();
void requestSimdLevel(SimdLevel level);

// "scalar", "sse2", "avx2", "avx512"; parses those names back (false otherwise).
const char* simdLevelName(SimdLevel level);
bool parseSimdLevel(const char* name, SimdLevel& level);
