// The host's handle service over plain heap blocks.
#include "host/handle_suite.h"

#include "host/allocation_failures.h"

#include <cstdlib>
#include <cstring>

namespace {
// A handle points at the master pointer of a block whose size we keep.
struct HandleBlock {
    Ptr data;  // must stay first: a Handle is the address of this pointer
    int32_t size;
    int32_t locks;
};

int32_t gLive = 0;
AllocationFailures gFailures;

bool allocationFails() { return gFailures.next(); }

Handle newHandleProc(int32_t size) { return hostNewHandle(size); }
void disposeHandleProc(Handle h) { hostDisposeHandle(h); }
int32_t getSizeProc(Handle h) { return hostHandleSize(h); }
OSErr setSizeProc(Handle h, int32_t size) { return hostSetHandleSize(h, size); }
Ptr lockProc(Handle h, Boolean moveHigh) { return hostLockHandle(h, moveHigh); }
void unlockProc(Handle h) { hostUnlockHandle(h); }
void recoverSpaceProc(int32_t) {}
void disposeRegularProc(Handle h) { hostDisposeHandle(h); }
}  // namespace

Handle hostNewHandle(int32_t size) {
    if (size < 0 || allocationFails()) return nullptr;
    auto* block = static_cast<HandleBlock*>(std::calloc(1, sizeof(HandleBlock)));
    if (!block) return nullptr;
    block->data = static_cast<Ptr>(std::calloc(1, size > 0 ? size_t(size) : 1));
    if (!block->data) {
        std::free(block);
        return nullptr;
    }
    block->size = size;
    ++gLive;
    return &block->data;
}

void hostDisposeHandle(Handle handle) {
    if (!handle) return;
    auto* block = reinterpret_cast<HandleBlock*>(handle);
    std::free(block->data);
    std::free(block);
    --gLive;
}

int32_t hostHandleSize(Handle handle) {
    return handle ? reinterpret_cast<HandleBlock*>(handle)->size : 0;
}

OSErr hostSetHandleSize(Handle handle, int32_t size) {
    if (!handle) return nilHandleErr;
    if (size < 0) return paramErr;
    auto* block = reinterpret_cast<HandleBlock*>(handle);
    Ptr grown = static_cast<Ptr>(std::realloc(block->data, size > 0 ? size_t(size) : 1));
    if (!grown) return memFullErr;
    if (size > block->size) std::memset(grown + block->size, 0, size_t(size - block->size));
    block->data = grown;
    block->size = size;
    return noErr;
}

Ptr hostLockHandle(Handle handle, Boolean) {
    if (!handle) return nullptr;
    auto* block = reinterpret_cast<HandleBlock*>(handle);
    ++block->locks;
    return block->data;
}

void hostUnlockHandle(Handle handle) {
    if (!handle) return;
    auto* block = reinterpret_cast<HandleBlock*>(handle);
    if (block->locks > 0) --block->locks;
}

int32_t liveHostHandles() { return gLive; }

void setHandleFailures(int32_t failFromAllocation, int32_t failOnlyAllocation) {
    gFailures.reset(failFromAllocation, failOnlyAllocation);
}

void fillHandleProcs(HandleProcs& procs, const HandleSuiteConfig& config) {
    std::memset(&procs, 0, sizeof procs);
    procs.handleProcsVersion = config.version;
    procs.numHandleProcs = config.procedureCount;
    procs.newProc = config.withNew ? newHandleProc : nullptr;
    procs.disposeProc = config.withDispose ? disposeHandleProc : nullptr;
    procs.getSizeProc = config.withGetSize ? getSizeProc : nullptr;
    procs.setSizeProc = config.withSetSize ? setSizeProc : nullptr;
    procs.lockProc = config.withLock ? lockProc : nullptr;
    procs.unlockProc = config.withUnlock ? unlockProc : nullptr;
    procs.recoverSpaceProc = recoverSpaceProc;
    procs.disposeRegularHandleProc = disposeRegularProc;
    setHandleFailures(config.failFromAllocation, config.failOnlyAllocation);
}
