// The per-session record kept in the host's data handle, and the way to the
// parameter block the host keeps.
#pragma once

#include "interface/host_interface.h"
#include "plugin/host_delivery.h"
#include "plugin/host_services.h"
#include "model/parameters.h"

#include <cstdint>

class JobProgress;
struct WorkArea;
struct PassImages;

constexpr int kScratchBufferCount = 7;

struct PassState {
    Rect passRect;  // copy of filterRect
    int32_t passWidth, passHeight;
    int32_t currentRow;
    int32_t stepCount;
    int32_t progressTotal;
    uint8_t passActive;
    uint8_t rowMode;
    uint8_t maskWanted;
    // Rows of the last request, relative to filterRect.top, inclusive.
    int32_t maskFirstRow, maskLastRow;
    int32_t inFirstRow, inLastRow;
    // The last request to the host, to check what it delivers.
    HostRequest request;
    // Where the rows report and ask about a stop; null: the host's procedures.
    JobProgress* progress;
};

struct PluginGlobals {
    FilterRecord* record;
    int16_t* result;

    PassState pass;

    // Working buffers, owned from Start until release.
    bool buffersAllocated;
    PluginBuffer rowBuffer;
    PluginBuffer scratch[kScratchBufferCount];
    PluginBuffer jobTable;
    PluginBuffer workAreaBuffer;
    WorkArea* workArea;      // lives in workAreaBuffer
    PassImages* images;      // pyramid, internal image, thumbnail image

    int32_t dialogExit;
    uint8_t firstParameters;
    int32_t filterWidth, filterHeight;
    int32_t dialogStateFlags;
};

// The parameter block, reached through the host's handle at each access.
FilterParameters* parametersOf(const FilterRecord* record);
