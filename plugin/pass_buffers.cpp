// The filtering pass's working buffers and images: allocated from the
// host's memory at Start, released (with the memory-dot map written) at the
// end of the run.
#include "plugin/pass_buffers.h"

#include "plugin/host_services.h"
#include "plugin/session_store.h"
#include "plugin/work_area.h"

#include <algorithm>
#include <new>

namespace {
constexpr size_t kScratchBufferBytes = 256;
}  // namespace

int32_t rowBufferBytes(int32_t width, int32_t height) {
    // A host's rectangle may be upside down; its sizes never go below 0 here.
    width = std::max(width, 0);
    height = std::max(height, 0);
    return std::max(2 * (std::max(width, height) + 4), 3 * width + 2184);
}

bool growRowBuffer(PluginGlobals& globals, size_t bytes) {
    if (globals.rowBuffer.size >= bytes) return true;
    PluginBuffer grown;
    if (!allocatePluginBuffer(globals.record, bytes, grown)) return false;
    freePluginBuffer(globals.record, globals.rowBuffer);
    globals.rowBuffer = grown;
    return true;
}

bool allocateWorkingBuffers(PluginGlobals& globals) {
    const FilterRecord* record = globals.record;
    releaseWorkingBuffers(globals);
    const size_t rowBufferSize = size_t(rowBufferBytes(globals.pass.passWidth, globals.pass.passHeight));
    bool ok = allocatePluginBuffer(record, rowBufferSize, globals.rowBuffer);
    for (int i = 0; ok && i < kScratchBufferCount; ++i)
        ok = allocatePluginBuffer(record, kScratchBufferBytes, globals.scratch[i]);
    ok = ok && allocatePluginBuffer(record, sizeof(Job), globals.jobTable);
    ok = ok && allocatePluginBuffer(record, sizeof(WorkArea) + sizeof(PassImages), globals.workAreaBuffer);
    if (!ok) {
        // Nothing was constructed yet: free the raw blocks only.
        freePluginBuffer(record, globals.rowBuffer);
        for (PluginBuffer& buffer : globals.scratch) freePluginBuffer(record, buffer);
        freePluginBuffer(record, globals.jobTable);
        freePluginBuffer(record, globals.workAreaBuffer);
        return false;
    }
    auto* bytes = static_cast<uint8_t*>(globals.workAreaBuffer.data);
    globals.workArea = new (bytes) WorkArea{};
    globals.images = new (bytes + sizeof(WorkArea)) PassImages{};
    globals.buffersAllocated = true;
    openSessionStore(globals);
    return true;
}

void releaseWorkingBuffers(PluginGlobals& globals) {
    if (!globals.buffersAllocated) return;
    const FilterRecord* record = globals.record;
    try {
        writeMemoryDotMap(globals);
    } catch (...) {
        // Memory refused for writing the map: the stored map stays as it
        // was (it is replaced whole or not at all), and the buffers still go back.
    }
    globals.images->~PassImages();
    globals.workArea->~WorkArea();
    globals.images = nullptr;
    globals.workArea = nullptr;
    freePluginBuffer(record, globals.rowBuffer);
    for (PluginBuffer& buffer : globals.scratch) freePluginBuffer(record, buffer);
    freePluginBuffer(record, globals.jobTable);
    freePluginBuffer(record, globals.workAreaBuffer);
    globals.buffersAllocated = false;
    globals.pass.passActive = 0;
}

void preparePassImages(PluginGlobals& globals) {
    PassImages& images = *globals.images;
    const MemoryService memory = pluginMemoryService(globals.record);
    images.source.release();
    images.internal.release();
    images.source.weights = &globals.workArea->weights;
    images.internal.weights = &globals.workArea->weights;
    images.thumbnail.weights = &globals.workArea->weights;
    // Without memory for the thumbnail the dialog shows no thumbnails.
    const bool scratch = images.thumbnail.create(memory, 128, 128, kStoragePacked8, kEdgeClamp);
    // The preset picture is that 128 x 128 scratch image: from here on every
    // preset, undo file, memory dot and cached settings file carries it.
    PresetPicture& picture = globals.workArea->presetPicture;
    picture.width = picture.height = scratch ? kPresetPictureSide : 0;
}
