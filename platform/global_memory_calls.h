// The system's block allocator under the global memory service, one file
// per system (posix/, win32/): the size header and the zeroing of a grown
// block are kept once in global_memory.cpp.
#pragma once

#include <cstddef>

// A zero-filled block of bytes (> 0); null when memory cannot be had.
void* systemAllocateZeroed(size_t bytes);
// The block resized, possibly moved, its old contents kept; null when it
// cannot be resized (the old block then stays valid).
void* systemResize(void* block, size_t bytes);
void systemFree(void* block);
