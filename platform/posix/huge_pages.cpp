// Pixel blocks through aligned_alloc and transparent huge pages (madvise).
#include "platform/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
}

void adviseHugePages(void* block, size_t bytes) {
#ifdef MADV_HUGEPAGE
    const uintptr_t start = (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~uintptr_t(kHugePage - 1);
    // A refusal (no transparent huge pages in this kernel) changes nothing.
    if (block && end > start) (void)::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

void* allocatePixelBlock(size_t bytes) {
    if (bytes < kHugePage) return std::malloc(bytes > 0 ? bytes : 1);
    if (bytes > SIZE_MAX - kHugePage) return nullptr;
    const size_t whole = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* block = std::aligned_alloc(kHugePage, whole);
    adviseHugePages(block, whole);
    return block;
}

void freePixelBlock(void* block) { std::free(block); }
