// The plain-memory service used outside a host (tests, tools, benchmarks).
#include "platform/memory_service.h"

#include "platform/fault_injection.h"

#include <cstdlib>

namespace {
bool allocateSystem(void*, size_t bytes, MemoryBlock* block) {
    if (allocationFailsNow()) {
        *block = MemoryBlock{};
        return false;
    }
    block->data = std::calloc(1, bytes == 0 ? 1 : bytes);
    block->token = nullptr;
    return block->data != nullptr;
}
void releaseSystem(void*, MemoryBlock* block) {
    std::free(block->data);
    block->data = nullptr;
    block->token = nullptr;
}
}  // namespace

MemoryService systemMemoryService() {
    MemoryService service;
    service.allocate = allocateSystem;
    service.release = releaseSystem;
    return service;
}
