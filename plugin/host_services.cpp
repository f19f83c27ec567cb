// The host's memory and descriptor services with their usability checks and
// the silent fallback to platform memory.
#include "plugin/host_services.h"

#include "platform/fault_injection.h"
#include "platform/global_memory.h"

#include <cstring>
#include <limits>

bool handleSuiteUsable(const FilterRecord* record) {
    if (!record || !record->handleProcs) return false;
    const HandleProcs& procs = *record->handleProcs;
    return procs.handleProcsVersion == 1 && procs.numHandleProcs >= 8 && procs.newProc &&
           procs.disposeProc && procs.getSizeProc && procs.setSizeProc;
}

bool bufferSuiteUsable(const FilterRecord* record) {
    if (!record || !record->bufferProcs) return false;
    const BufferProcs& procs = *record->bufferProcs;
    return procs.bufferProcsVersion == 2 && procs.numBufferProcs >= 5 && procs.allocateProc &&
           procs.lockProc && procs.unlockProc && procs.freeProc && procs.spaceProc;
}

bool descriptorSuiteUsable(const FilterRecord* record) {
    if (!record || !record->descriptorParameters) return false;
    const PIDescriptorParameters& parameters = *record->descriptorParameters;
    if (parameters.descriptorParametersVersion != 0) return false;
    const ReadDescriptorProcs* read = parameters.readDescriptorProcs;
    const WriteDescriptorProcs* write = parameters.writeDescriptorProcs;
    if (!read || !write) return false;
    if (read->readDescriptorProcsVersion != 0 || read->numReadDescriptorProcs < 18) return false;
    if (write->writeDescriptorProcsVersion != 0 || write->numWriteDescriptorProcs < 16) return false;
    const void* readProcs[] = {
        reinterpret_cast<const void*>(read->openReadDescriptorProc),
        reinterpret_cast<const void*>(read->closeReadDescriptorProc),
        reinterpret_cast<const void*>(read->getKeyProc),
        reinterpret_cast<const void*>(read->getIntegerProc),
        reinterpret_cast<const void*>(read->getFloatProc),
        reinterpret_cast<const void*>(read->getUnitFloatProc),
        reinterpret_cast<const void*>(read->getBooleanProc),
        reinterpret_cast<const void*>(read->getTextProc),
        reinterpret_cast<const void*>(read->getAliasProc),
        reinterpret_cast<const void*>(read->getEnumeratedProc),
        reinterpret_cast<const void*>(read->getClassProc),
        reinterpret_cast<const void*>(read->getSimpleReferenceProc),
        reinterpret_cast<const void*>(read->getObjectProc),
        reinterpret_cast<const void*>(read->getCountProc),
        reinterpret_cast<const void*>(read->getStringProc),
        reinterpret_cast<const void*>(read->getPinnedIntegerProc),
        reinterpret_cast<const void*>(read->getPinnedFloatProc),
        reinterpret_cast<const void*>(read->getPinnedUnitFloatProc),
    };
    for (const void* proc : readProcs) {
        if (!proc) return false;
    }
    return true;
}

bool hostSkipsDescriptorReading(const FilterRecord* record) {
    return record && (record->hostSig == fourCC("PSP8") || record->hostSig == fourCC("PSP9"));
}

bool hostMovesScaledMask(const FilterRecord* record) {
    return record && record->hostSig == fourCC("PSP8");
}

// ---- Handles ----
// The fallback handle is a small zero-filled block holding the pointer to a
// second zero-filled block with the data, and the data size after it.
namespace {
struct FallbackHandle {
    Ptr data;  // first: the handle is the address of this pointer
    int32_t size;
};
}  // namespace

Handle newPluginHandle(const FilterRecord* record, int32_t size) {
    if (size < 0 || allocationFailsNow()) return nullptr;
    if (handleSuiteUsable(record)) return record->handleProcs->newProc(size);
    auto* master = static_cast<FallbackHandle*>(globalAllocate(sizeof(FallbackHandle)));
    if (!master) return nullptr;
    master->data = static_cast<Ptr>(globalAllocate(size_t(size)));
    if (!master->data) {
        globalFree(master);
        return nullptr;
    }
    master->size = size;
    return &master->data;
}

void disposePluginHandle(const FilterRecord* record, Handle handle) {
    if (!handle) return;
    if (handleSuiteUsable(record)) {
        record->handleProcs->disposeProc(handle);
        return;
    }
    auto* master = reinterpret_cast<FallbackHandle*>(handle);
    globalFree(master->data);
    globalFree(master);
}

int32_t pluginHandleSize(const FilterRecord* record, Handle handle) {
    if (!handle) return 0;
    if (handleSuiteUsable(record)) return record->handleProcs->getSizeProc(handle);
    return reinterpret_cast<FallbackHandle*>(handle)->size;
}

OSErr setPluginHandleSize(const FilterRecord* record, Handle handle, int32_t size) {
    if (!handle) return nilHandleErr;
    if (size < 0) return paramErr;
    if (handleSuiteUsable(record)) return record->handleProcs->setSizeProc(handle, size);
    auto* master = reinterpret_cast<FallbackHandle*>(handle);
    Ptr grown = static_cast<Ptr>(globalReallocate(master->data, size_t(size)));
    if (!grown) return memFullErr;
    master->data = grown;
    master->size = size;
    return noErr;
}

Ptr lockPluginHandle(const FilterRecord* record, Handle handle) {
    if (!handle) return nullptr;
    if (handleSuiteUsable(record) && record->handleProcs->lockProc)
        return record->handleProcs->lockProc(handle, 1);
    if (handleSuiteUsable(record)) return *handle;
    return reinterpret_cast<FallbackHandle*>(handle)->data;
}

void unlockPluginHandle(const FilterRecord* record, Handle handle) {
    if (!handle) return;
    if (handleSuiteUsable(record) && record->handleProcs->unlockProc)
        record->handleProcs->unlockProc(handle);
}

// ---- Buffers ----
bool allocatePluginBuffer(const FilterRecord* record, size_t size, PluginBuffer& buffer, bool cleared) {
    buffer = PluginBuffer{};
    if (allocationFailsNow()) return false;
    // The suite takes a 32-bit size; larger blocks come from platform memory.
    if (bufferSuiteUsable(record) && size <= size_t(std::numeric_limits<int32_t>::max())) {
        BufferID id = nullptr;
        if (record->bufferProcs->allocateProc(int32_t(size), &id) == noErr && id) {
            Ptr data = record->bufferProcs->lockProc(id, 1);
            if (data) {
                if (cleared) std::memset(data, 0, size);
                buffer.data = data;
                buffer.id = id;
                buffer.size = size;
                return true;
            }
            record->bufferProcs->freeProc(id);
        }
    }
    buffer.data = globalAllocate(size);
    if (!buffer.data) return false;
    buffer.size = size;
    return true;
}

void freePluginBuffer(const FilterRecord* record, PluginBuffer& buffer) {
    if (buffer.id) {
        // An id only exists when the suite was usable at allocation.
        record->bufferProcs->unlockProc(buffer.id);
        record->bufferProcs->freeProc(buffer.id);
    } else if (buffer.data) {
        globalFree(buffer.data);
    }
    buffer = PluginBuffer{};
}

namespace {
bool allocateThroughHostAs(void* context, size_t bytes, MemoryBlock* block, bool cleared) {
    PluginBuffer buffer;
    if (!allocatePluginBuffer(static_cast<const FilterRecord*>(context), bytes, buffer, cleared)) {
        *block = MemoryBlock{};
        return false;
    }
    block->data = buffer.data;
    block->token = buffer.id;
    return true;
}

bool allocateThroughHost(void* context, size_t bytes, MemoryBlock* block) {
    return allocateThroughHostAs(context, bytes, block, true);
}
bool allocateUnclearedThroughHost(void* context, size_t bytes, MemoryBlock* block) {
    return allocateThroughHostAs(context, bytes, block, false);
}

void releaseThroughHost(void* context, MemoryBlock* block) {
    PluginBuffer buffer;
    buffer.data = block->data;
    buffer.id = block->token;
    freePluginBuffer(static_cast<const FilterRecord*>(context), buffer);
    *block = MemoryBlock{};
}
}  // namespace

MemoryService pluginMemoryService(const FilterRecord* record) {
    MemoryService service;
    service.allocate = allocateThroughHost;
    service.release = releaseThroughHost;
    service.allocateUncleared = allocateUnclearedThroughHost;
    service.context = const_cast<FilterRecord*>(record);
    return service;
}
