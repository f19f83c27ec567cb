// The platform's global memory: zero-filled blocks that remember their size,
// the fallback wherever the host offers no memory service.
#pragma once

#include <cstddef>

// A zero-filled block of at least one byte; null when memory cannot be had.
void* globalAllocate(size_t bytes);
// Resizes a block; bytes beyond the old size are zero. Null when the block
// cannot be resized (the old block then stays valid). A null block allocates.
void* globalReallocate(void* block, size_t bytes);
// Frees a block from globalAllocate/globalReallocate; null is ignored.
void globalFree(void* block);
// The size asked for when the block was made or last resized.
size_t globalSize(const void* block);
