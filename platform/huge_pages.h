// Large blocks of pixels on huge pages. The first touch of fresh memory
// costs a page fault per 4 KB page, and on virtual machines each fault is a
// slow trip through the hypervisor: filling 200 MB took over a second,
// against a few tens of milliseconds on 2 MB pages. Where the system has no
// such pages, the blocks are plain heap blocks.
#pragma once

#include <cstddef>

// A block of `bytes` (uninitialised); from 2 MB up it starts on a 2 MB
// boundary and its whole 2 MB pages are advised to be huge pages (the last
// one may be partly unused: at most a page beyond the block is touched).
// Null when out of memory. Free it with freePixelBlock.
void* allocatePixelBlock(size_t bytes);
void freePixelBlock(void* block);

// Advises the whole 2 MB-aligned pages inside [block, block + bytes) to be
// huge pages, for memory allocated elsewhere (a vector's storage).
void adviseHugePages(void* block, size_t bytes);
