// Global memory blocks from GlobalAlloc.
#include "platform/global_memory_calls.h"

#include <windows.h>

void* systemAllocateZeroed(size_t bytes) { return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes); }
// GMEM_MOVEABLE lets a fixed block move when it cannot grow in place.
void* systemResize(void* block, size_t bytes) { return GlobalReAlloc(block, bytes, GMEM_MOVEABLE); }
void systemFree(void* block) { GlobalFree(block); }
