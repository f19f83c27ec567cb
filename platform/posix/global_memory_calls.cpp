// Global memory blocks from the process heap.
#include "platform/global_memory_calls.h"

#include <cstdlib>

void* systemAllocateZeroed(size_t bytes) { return std::calloc(1, bytes); }
void* systemResize(void* block, size_t bytes) { return std::realloc(block, bytes); }
void systemFree(void* block) { std::free(block); }
