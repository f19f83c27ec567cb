// A block of memory that ends where a page no one may touch begins, so that
// reading or writing one byte past its end faults at once. The host uses it
// to hand a plug-in a record of exactly the size older hosts allocate.
#pragma once

#include <cstddef>

struct GuardedBlock {
    void* data = nullptr;     // `bytes` zero-filled bytes, ending at the guard page
    void* pages = nullptr;    // the whole mapping, guard page included
    size_t pageBytes = 0;
};

// A zero-filled block of `bytes` (at least one) followed by an inaccessible
// page; data stays null when the pages cannot be had.
GuardedBlock allocateGuardedBlock(size_t bytes);
void freeGuardedBlock(GuardedBlock& block);

// The system's calls (posix/, win32/): page size, read-write pages,
// one page made inaccessible, pages returned.
size_t systemPageBytes();
void* systemMapPages(size_t bytes);
bool systemBlockPage(void* page, size_t pageBytes);
void systemUnmapPages(void* pages, size_t bytes);
