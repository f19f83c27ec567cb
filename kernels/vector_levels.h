// Which vector instruction levels this target builds, and the one way a
// kernel picks its code for the active level: a table with one entry per
// level. Every entry gives the scalar entry's bits.
#pragma once

#include "kernels/speed_settings.h"

// On x86-64 (Linux and 64-bit Windows alike) SSE2 is the baseline and the
// AVX2 and AVX-512 entries are built function by function with target
// attributes, then chosen at run time from what the CPU has. Windows keeps
// the stack 16-byte aligned only; the build makes every aligned vector move
// an unaligned one, so that wide spills cannot fault there. Other targets
// build the scalar entries only.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TWL_X86_VECTORS 1
#define TWL_AVX2 __attribute__((target("avx2")))
#define TWL_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq")))
// A table entry that exists on x86-64 only.
#define TWL_X86_ENTRY(entry) entry
#else
#define TWL_X86_ENTRY(entry) nullptr
#endif

#if defined(TWL_X86_VECTORS)
constexpr SimdLevel kHighestBuiltLevel = SimdLevel::avx512;
#else
constexpr SimdLevel kHighestBuiltLevel = SimdLevel::scalar;
#endif

// One kernel's entries for the scalar, SSE2, AVX2 and AVX-512 levels. A
// level above what this target builds takes the highest built entry.
template <class Entry>
struct LevelTable {
    Entry scalar, sse2, avx2, avx512;

    constexpr Entry operator[](SimdLevel level) const {
        const int built = int(level) < int(kHighestBuiltLevel) ? int(level) : int(kHighestBuiltLevel);
        switch (built) {
        case 3: return avx512;
        case 2: return avx2;
        case 1: return sse2;
        default: return scalar;
        }
    }
};
