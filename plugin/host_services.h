// The host's services as the plug-in uses them: usability checks of the
// handle, buffer and descriptor suites, and the silent fallback to platform
// memory when a suite cannot be used. All host-service calls go through here.
#pragma once

#include "platform/memory_service.h"
#include "interface/host_interface.h"

bool handleSuiteUsable(const FilterRecord* record);
bool bufferSuiteUsable(const FilterRecord* record);
bool descriptorSuiteUsable(const FilterRecord* record);

// 'PSP8' and 'PSP9' hosts: no scripting descriptor is read at Start.
bool hostSkipsDescriptorReading(const FilterRecord* record);
// 'PSP8' hosts move the mask rectangle of scaled requests.
bool hostMovesScaledMask(const FilterRecord* record);

// Handles: through the host's handle suite when usable, else a two-block
// handle of zero-filled platform memory. A failed allocation gives null.
Handle newPluginHandle(const FilterRecord* record, int32_t size);
void disposePluginHandle(const FilterRecord* record, Handle handle);
int32_t pluginHandleSize(const FilterRecord* record, Handle handle);
OSErr setPluginHandleSize(const FilterRecord* record, Handle handle, int32_t size);
Ptr lockPluginHandle(const FilterRecord* record, Handle handle);
void unlockPluginHandle(const FilterRecord* record, Handle handle);

// Buffers: through the host's buffer suite when usable (allocate, then lock
// with move-high), else zero-filled platform memory with no id. A buffer
// from the host is cleared too unless `cleared` is false: the caller then
// writes all of it before reading any.
struct PluginBuffer {
    void* data = nullptr;
    BufferID id = nullptr;
    size_t size = 0;
};
bool allocatePluginBuffer(const FilterRecord* record, size_t size, PluginBuffer& buffer, bool cleared = true);
void freePluginBuffer(const FilterRecord* record, PluginBuffer& buffer);

// The buffer service with fallback, for the kernels (pyramid tiles).
MemoryService pluginMemoryService(const FilterRecord* record);
