// Counting the host's libjpeg allocations for the failure sweeps: the memory
// manager's allocators are swapped for ones that count, then call libjpeg's.
#include "host/jpeg_allocation_count.h"

#include "platform/fault_injection.h"

#include <atomic>

#include <jerror.h>

namespace {
// libjpeg's allocators are the same functions for every codec object.
using SmallAllocator = void* (*)(j_common_ptr, int, size_t);
using RowsAllocator = JSAMPARRAY (*)(j_common_ptr, int, JDIMENSION, JDIMENSION);
using BlocksAllocator = JBLOCKARRAY (*)(j_common_ptr, int, JDIMENSION, JDIMENSION);
std::atomic<SmallAllocator> gSmall{nullptr}, gLarge{nullptr};
std::atomic<RowsAllocator> gRows{nullptr};
std::atomic<BlocksAllocator> gBlocks{nullptr};

void refuseWhenChosen(j_common_ptr codec) {
    if (failsNow(FailurePoint::codecAllocation)) ERREXIT(codec, JERR_OUT_OF_MEMORY);
}
void* countedSmall(j_common_ptr codec, int pool, size_t bytes) {
    refuseWhenChosen(codec);
    return gSmall.load(std::memory_order_relaxed)(codec, pool, bytes);
}
void* countedLarge(j_common_ptr codec, int pool, size_t bytes) {
    refuseWhenChosen(codec);
    return gLarge.load(std::memory_order_relaxed)(codec, pool, bytes);
}
JSAMPARRAY countedRows(j_common_ptr codec, int pool, JDIMENSION samples, JDIMENSION rows) {
    refuseWhenChosen(codec);
    return gRows.load(std::memory_order_relaxed)(codec, pool, samples, rows);
}
JBLOCKARRAY countedBlocks(j_common_ptr codec, int pool, JDIMENSION blocks, JDIMENSION rows) {
    refuseWhenChosen(codec);
    return gBlocks.load(std::memory_order_relaxed)(codec, pool, blocks, rows);
}
}  // namespace

void countHostJpegAllocations(j_common_ptr codec) {
    if (!failureInjectionArmed() || codec->mem == nullptr || codec->mem->alloc_small == countedSmall) return;
    jpeg_memory_mgr& memory = *codec->mem;
    gSmall.store(memory.alloc_small, std::memory_order_relaxed);
    gLarge.store(memory.alloc_large, std::memory_order_relaxed);
    gRows.store(memory.alloc_sarray, std::memory_order_relaxed);
    gBlocks.store(memory.alloc_barray, std::memory_order_relaxed);
    memory.alloc_small = countedSmall;
    memory.alloc_large = countedLarge;
    memory.alloc_sarray = countedRows;
    memory.alloc_barray = countedBlocks;
}
