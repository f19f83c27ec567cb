// Global memory from GlobalAlloc, with a small header that keeps the size
// asked for (GlobalSize reports the rounded-up size of the block).
#include "platform/global_memory.h"

#include <cstdint>
#include <cstring>
#include <windows.h>

namespace {
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
    void* raw = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kHeaderBytes + (bytes == 0 ? 1 : bytes));
    if (raw == nullptr) return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(raw);
    header->bytes = bytes;
    return payloadOf(header);
}

void* globalReallocate(void* block, size_t bytes) {
    if (block == nullptr) return globalAllocate(bytes);
    if (!totalFits(bytes)) return nullptr;
    const size_t oldBytes = headerOf(block)->bytes;
    // GMEM_MOVEABLE lets a fixed block move when it cannot grow in place.
    void* raw = GlobalReAlloc(headerOf(block), kHeaderBytes + (bytes == 0 ? 1 : bytes), GMEM_MOVEABLE);
    if (raw == nullptr) return nullptr;
    BlockHeader* header = static_cast<BlockHeader*>(raw);
    header->bytes = bytes;
    unsigned char* payload = static_cast<unsigned char*>(payloadOf(header));
    if (bytes > oldBytes) std::memset(payload + oldBytes, 0, bytes - oldBytes);
    return payload;
}

void globalFree(void* block) {
    if (block != nullptr) GlobalFree(headerOf(block));
}

size_t globalSize(const void* block) {
    return block == nullptr ? 0 : headerOf(block)->bytes;
}
