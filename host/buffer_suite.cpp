// The host's buffer service over the C heap.
#include "host/buffer_suite.h"

#include "host/allocation_failures.h"
#include "platform/huge_pages.h"

#include <cstdlib>
#include <cstring>

namespace {
struct HostBuffer {
    void* data;
    int32_t size;
};

int32_t gLive = 0;
AllocationFailures gFailures;
BufferSuiteConfig gConfig;

OSErr allocateProc(int32_t size, BufferID* id) {
    const bool fails = gFailures.next();
    *id = nullptr;
    if (size < 0) return paramErr;
    if (fails) return memFullErr;
    auto* buffer = static_cast<HostBuffer*>(std::malloc(sizeof(HostBuffer)));
    if (!buffer) return memFullErr;
    // Not zero-filled: the plug-in may not rely on a host's buffer contents.
    buffer->data = allocatePixelBlock(size_t(size));
    if (!buffer->data) {
        std::free(buffer);
        return memFullErr;
    }
    if (gConfig.markContents) std::memset(buffer->data, 0xA5, size_t(size));
    buffer->size = size;
    ++gLive;
    *id = buffer;
    return noErr;
}

Ptr lockProc(BufferID id, Boolean) {
    if (!id || gConfig.lockGivesNull) return nullptr;
    return static_cast<Ptr>(static_cast<HostBuffer*>(id)->data);
}

void unlockProc(BufferID) {}

void freeProc(BufferID id) {
    if (!id) return;
    auto* buffer = static_cast<HostBuffer*>(id);
    freePixelBlock(buffer->data);
    std::free(buffer);
    --gLive;
}

int32_t spaceProc() { return 1 << 30; }
int32_t reserveProc(int32_t) { return 0; }
OSErr allocate64Proc(int64_t size, BufferID* id) {
    if (size > 0x7FFFFFFF) return memFullErr;
    return allocateProc(int32_t(size), id);
}
int64_t space64Proc() { return int64_t(1) << 30; }
}  // namespace

void fillBufferProcs(BufferProcs& procs, const BufferSuiteConfig& config) {
    gConfig = config;
    gFailures.reset(config.failFromAllocation, config.failOnlyAllocation);
    std::memset(&procs, 0, sizeof procs);
    procs.bufferProcsVersion = config.version;
    procs.numBufferProcs = config.procedureCount;
    procs.allocateProc = config.withAllocate ? allocateProc : nullptr;
    procs.lockProc = config.withLock ? lockProc : nullptr;
    procs.unlockProc = config.withUnlock ? unlockProc : nullptr;
    procs.freeProc = config.withFree ? freeProc : nullptr;
    procs.spaceProc = config.withSpace ? spaceProc : nullptr;
    procs.reserveProc = reserveProc;
    procs.allocateProc64 = allocate64Proc;
    procs.spaceProc64 = space64Proc;
}

int32_t liveHostBuffers() { return gLive; }
int32_t hostBufferAllocations() { return gFailures.made; }
