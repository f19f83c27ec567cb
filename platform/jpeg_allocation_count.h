// The failure sweeps' hook on libjpeg objects, for the plug-in's codec and
// the host's image files alike: the memory manager's allocators are swapped
// for ones that count, then call libjpeg's. Header only, so that only the
// programs that use libjpeg need it.
#pragma once

#include "platform/fault_injection.h"

#include <atomic>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>
#include <jerror.h>

namespace jpeg_allocation_count {
// libjpeg's allocators are the same functions for every codec object.
using SmallAllocator = void* (*)(j_common_ptr, int, size_t);
using RowsAllocator = JSAMPARRAY (*)(j_common_ptr, int, JDIMENSION, JDIMENSION);
using BlocksAllocator = JBLOCKARRAY (*)(j_common_ptr, int, JDIMENSION, JDIMENSION);
inline std::atomic<SmallAllocator> smallOnes{nullptr}, largeOnes{nullptr};
inline std::atomic<RowsAllocator> rowArrays{nullptr};
inline std::atomic<BlocksAllocator> blockArrays{nullptr};

inline void refuseWhenChosen(j_common_ptr codec) {
    if (failsNow(FailurePoint::codecAllocation)) ERREXIT(codec, JERR_OUT_OF_MEMORY);
}
inline void* countedSmall(j_common_ptr codec, int pool, size_t bytes) {
    refuseWhenChosen(codec);
    return smallOnes.load(std::memory_order_relaxed)(codec, pool, bytes);
}
inline void* countedLarge(j_common_ptr codec, int pool, size_t bytes) {
    refuseWhenChosen(codec);
    return largeOnes.load(std::memory_order_relaxed)(codec, pool, bytes);
}
inline JSAMPARRAY countedRows(j_common_ptr codec, int pool, JDIMENSION samples, JDIMENSION count) {
    refuseWhenChosen(codec);
    return rowArrays.load(std::memory_order_relaxed)(codec, pool, samples, count);
}
inline JBLOCKARRAY countedBlocks(j_common_ptr codec, int pool, JDIMENSION count, JDIMENSION rowCount) {
    refuseWhenChosen(codec);
    return blockArrays.load(std::memory_order_relaxed)(codec, pool, count, rowCount);
}
}  // namespace jpeg_allocation_count

// Call after jpeg_create_*: while a failure sweep is armed, each of the
// codec's allocations is counted and the chosen one fails as libjpeg's own
// do when memory runs out (through error_exit). Does nothing otherwise. The
// manager's first allocation, inside jpeg_create_*, cannot be reached.
inline void countJpegAllocations(j_common_ptr codec) {
    namespace count = jpeg_allocation_count;
    if (!failureInjectionArmed() || codec->mem == nullptr || codec->mem->alloc_small == count::countedSmall) return;
    jpeg_memory_mgr& memory = *codec->mem;
    count::smallOnes.store(memory.alloc_small, std::memory_order_relaxed);
    count::largeOnes.store(memory.alloc_large, std::memory_order_relaxed);
    count::rowArrays.store(memory.alloc_sarray, std::memory_order_relaxed);
    count::blockArrays.store(memory.alloc_barray, std::memory_order_relaxed);
    memory.alloc_small = count::countedSmall;
    memory.alloc_large = count::countedLarge;
    memory.alloc_sarray = count::countedRows;
    memory.alloc_barray = count::countedBlocks;
}
