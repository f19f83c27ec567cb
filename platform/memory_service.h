// How the kernels obtain large blocks: the plug-in hands them its buffer
// service (with the platform fallback); tests and tools use plain memory.
#pragma once

#include <cstddef>

struct MemoryBlock {
    void* data = nullptr;   // zero-filled when freshly allocated by allocate
    void* token = nullptr;  // the service's own id for the block
};

struct MemoryService {
    // Returns false (and leaves the block empty) when no memory can be had.
    bool (*allocate)(void* context, size_t bytes, MemoryBlock* block) = nullptr;
    void (*release)(void* context, MemoryBlock* block) = nullptr;
    // As allocate, for a block that its user writes whole before reading any
    // of it: its contents are left as they come, which spares a clearing
    // pass over image tiles. Null: allocate serves these blocks too.
    bool (*allocateUncleared)(void* context, size_t bytes, MemoryBlock* block) = nullptr;
    void* context = nullptr;
};

// calloc/free; the service used outside a host.
MemoryService systemMemoryService();
