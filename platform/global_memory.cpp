// Global memory with a small header that keeps the size asked for (the
// system's own size of a block may be rounded up), so that a resize can zero
// the part it adds.
#include "platform/global_memory.h"

#include "platform/global_memory_calls.h"

#include <cstdint>
#include <cstring>

namespace {
// The header keeps the block's payload aligned as the system's own blocks are.
struct alignas(std::max_align_t) BlockHeader {
    size_t bytes;
};
constexpr size_t kHeaderBytes = sizeof(BlockHeader);

BlockHeader* headerOf(const void* block) {
    return reinterpret_cast<BlockHeader*>(
        const_cast<unsigned char*>(static_cast<const unsigned char*>(block)) - kHeaderBytes);
}
void* payloadOf(BlockHeader* header) {
    return reinterpret_cast<unsigned char*>(header) + kHeaderBytes;
}
bool totalFits(size_t bytes) {
    return bytes <= SIZE_MAX - kHeaderBytes;
}
}  // namespace

void* globalAllocate(size_t bytes) {
    if (!totalFits(bytes)) return nullptr;
    void* raw = systemAllocateZeroed(kHeaderBytes + (bytes == 0 ? 1 : bytes));
    if (raw == nullptr) return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(raw);
    header->bytes = bytes;
    return payloadOf(header);
}

void* globalReallocate(void* block, size_t bytes) {
    if (block == nullptr) return globalAllocate(bytes);
    if (!totalFits(bytes)) return nullptr;
    const size_t oldBytes = headerOf(block)->bytes;
    void* raw = systemResize(headerOf(block), kHeaderBytes + (bytes == 0 ? 1 : bytes));
    if (raw == nullptr) return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(raw);
    header->bytes = bytes;
    unsigned char* payload = static_cast<unsigned char*>(payloadOf(header));
    if (bytes > oldBytes) std::memset(payload + oldBytes, 0, bytes - oldBytes);
    return payload;
}

void globalFree(void* block) {
    if (block != nullptr) systemFree(headerOf(block));
}

size_t globalSize(const void* block) {
    return block == nullptr ? 0 : headerOf(block)->bytes;
}
