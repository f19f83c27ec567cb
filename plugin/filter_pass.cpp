// The filtering pass between the host and the image pyramid.
#include "interface/plugin_result_codes.h"
#include "plugin/filter_pass.h"

#include "effect/effect_pipeline.h"
#include "effect/host_rows.h"
#include "effect/tiled_image.h"
#include "kernels/jobs.h"
#include "kernels/speed_settings.h"
#include "plugin/export_progress.h"
#include "plugin/host_progress.h"
#include "plugin/pass_throttles.h"
#include "plugin/pass_context.h"
#include "plugin/session_store.h"
#include "plugin/work_area.h"

#include <algorithm>
#include <new>

namespace {

constexpr int32_t kPreviewViewportWidth = 426;
constexpr int32_t kPreviewViewportHeight = 416;
constexpr size_t kScratchBufferBytes = 256;

int16_t& resultOf(PluginGlobals& globals) { return *globals.result; }

Rect emptyRectAt(const Rect& r) { return Rect{r.top, r.left, r.top, r.left}; }

void setPlanesAndRates(FilterRecord* record, Fixed rate) {
    record->inLoPlane = record->outLoPlane = 0;
    record->inHiPlane = record->outHiPlane = int16_t(record->planes - 1);
    record->inputRate = record->maskRate = rate;
    record->inputPadding = record->outputPadding = record->maskPadding = plugInWantsEdgeReplication;
}

void keepRelativeRows(PluginGlobals& globals) {
    const FilterRecord* record = globals.record;
    const int32_t top = record->filterRect.top;
    globals.pass.maskFirstRow = record->maskRect.top - top;
    globals.pass.maskLastRow = record->maskRect.bottom - 1 - top;
    globals.pass.inFirstRow = record->inRect.top - top;
    globals.pass.inLastRow = record->inRect.bottom - 1 - top;
}

int pyramidTypeFor(const FilterRecord* record) {
    switch (hostValueClass(record)) {
        case kValuesFloat: return kStorageFloat4;
        case kValues16: return kStorageRgba16;
        default: return kStoragePacked8;
    }
}

// The host's delivered tile (inData) as rows of host pixels.
HostRows deliveredRows(const FilterRecord* record) {
    HostRows rows;
    rows.data = record->inData;
    rows.rowBytes = record->inRowBytes;
    rows.samplesPerPixel = record->inHiPlane - record->inLoPlane + 1;
    rows.grey = record->planes < 3;
    rows.alphaSample = hostHasTransparency(record) ? record->inLayerPlanes : -1;
    switch (hostValueClass(record)) {
        case kValuesFloat: rows.valueClass = HostValueClass::floating; break;
        case kValues16: rows.valueClass = HostValueClass::sixteenBit; break;
        default: rows.valueClass = HostValueClass::eightBit; break;
    }
    return rows;
}

// Rows first..last - 1 of the host's tile into the tile's place in level 0.
void copyTileRows(const FilterRecord* record, Pyramid& base, const PyramidTile& tile, int32_t first, int32_t last) {
    HostRows rows = deliveredRows(record);
    rows.data = static_cast<const uint8_t*>(record->inData) + ptrdiff_t(first) * record->inRowBytes;
    copyHostRows(rows, tile.width, last - first, base, tile.left, tile.top + first);
}

struct TileCopy {
    const FilterRecord* record;
    Pyramid* base;
    const PyramidTile* tile;
};

void tileCopyJob(const Job& job) {
    const auto& copy = *static_cast<const TileCopy*>(job.owner);
    copyTileRows(copy.record, *copy.base, *copy.tile, job.rect.top, job.rect.bottom);
}

// The tile's rows as band jobs on the pass's workers.
void copyTileIntoBase(const FilterRecord* record, Pyramid& base, const PyramidTile& tile, JobWorkers& workers,
                      int jobCount) {
    TileCopy copy{record, &base, &tile};
    Job pattern;
    pattern.kind = kJobImageRect;
    pattern.owner = &copy;
    pattern.image = &base;
    pattern.routine = tileCopyJob;
    Job jobs[kMaxJobs];
    const int made = splitBandJobs(pattern, PixelRect{0, 0, tile.height, 1}, jobCount, jobs);
    runJobsOn(&workers, jobs, made);
}

// advanceState for the request now in the record, kept for the checks of
// what the host delivers.
OSErr askHostFor(PluginGlobals& globals) {
    globals.pass.request = currentRequest(*globals.record);
    return askHost(*globals.record);
}

bool growRowBuffer(PluginGlobals& globals, size_t bytes) {
    if (globals.rowBuffer.size >= bytes) return true;
    PluginBuffer grown;
    if (!allocatePluginBuffer(globals.record, bytes, grown)) return false;
    freePluginBuffer(globals.record, globals.rowBuffer);
    globals.rowBuffer = grown;
    return true;
}

// The pass state for the rectangle last given to set pass size.
void preparePassState(PluginGlobals& globals) {
    const FilterParameters& parameters = *parametersOf(globals.record);
    WorkArea& work = *globals.workArea;
    const Rect& r = globals.pass.passRect;
    const float scale = float(parameters.previewScale);
    work.centerX = float((r.right - r.left) * 0.5 / scale);
    work.centerY = float((r.bottom - r.top) * 0.5 / scale);
    work.progressCounter = 0;
    work.progressLastRow = 0;
    work.abortCounter = 0;
    globals.pass.currentRow = 0;
    globals.pass.rowMode = 1;
    globals.pass.maskWanted = 1;
    globals.pass.progressTotal = globals.pass.passHeight;
    globals.pass.stepCount = 0;
    globals.pass.passActive = 1;
    work.render = commitRenderRequest(globals);
}


// The job threads for the coming rows: as many jobs at once as the speed
// setting asks, started once and kept until the working buffers go.
JobWorkers& passWorkers(PluginGlobals& globals) {
    JobWorkers& workers = globals.workArea->workers;
    const int wanted = jobConcurrency();
    if (workers.concurrency() != wanted) workers.start(wanted);
    return workers;
}

// Jobs per split: one without threads (the reference), else a few per
// thread, so that a thread the system wakes late leaves little undone.
int jobsFor(const JobWorkers& workers) {
    constexpr int kJobsPerThread = 4;
    const int threads = workers.concurrency();
    if (threads <= 1) return 1;
    return threads * kJobsPerThread < kMaxJobs ? threads * kJobsPerThread : kMaxJobs;
}

}  // namespace

void emptyHostRectangles(FilterRecord* record) {
    record->inRect = Rect{0, 0, 0, 0};
    record->outRect = Rect{0, 0, 0, 0};
    record->maskRect = Rect{0, 0, 0, 0};
}

void setPassSize(PluginGlobals& globals, const Rect& rect, int32_t scale) {
    FilterParameters* parameters = parametersOf(globals.record);
    if (parameters) parameters->previewScale = scale;
    globals.pass.passWidth = rect.right - rect.left;
    globals.pass.passHeight = rect.bottom - rect.top;
}

int32_t rowBufferBytes(int32_t width, int32_t height) {
    // A host's rectangle may be upside down; its sizes never go below 0 here.
    width = std::max(width, 0);
    height = std::max(height, 0);
    return std::max(2 * (std::max(width, height) + 4), 3 * width + 2184);
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
    writeMemoryDotMap(globals);
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

void setRowsRequest(PluginGlobals& globals, int32_t row) {
    FilterRecord* record = globals.record;
    const Rect& filter = record->filterRect;
    setPassSize(globals, filter, 1);
    record->inRect = record->outRect = filter;
    record->maskRect = emptyRectAt(filter);
    const int32_t y = filter.top + std::min(std::max(row, 0), globals.pass.passHeight - 1);
    record->inRect.top = record->outRect.top = int16_t(y);
    record->inRect.bottom = record->outRect.bottom = int16_t(y + 1);
    if (record->haveMask) {
        Rect mask = filter;
        int32_t top = std::max<int32_t>(y - 2, filter.top);
        int32_t bottom = std::min<int32_t>(y + 2, filter.bottom);
        if (top >= bottom) bottom = top + 1;
        mask.top = int16_t(top);
        mask.bottom = int16_t(bottom);
        record->maskRect = mask;
        if (!globals.pass.maskWanted) record->maskRect = emptyRectAt(filter);
    }
    setPlanesAndRates(record, 1 << 16);
    keepRelativeRows(globals);
    globals.pass.request = currentRequest(*record);
}

void scaledRequest(PluginGlobals& globals, int32_t scale) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    int32_t a = std::max(scale, 1);
    if (!record->advanceState || !record->displayPixels || record->samplingSupport == hostDoesNotSupportSampling) {
        a = 1;
        parameters.previewScale = 1;
    }
    const Rect& filter = record->filterRect;
    int32_t top = filter.top + parameters.previewOffsetY, left = filter.left + parameters.previewOffsetX;
    int32_t bottom = filter.bottom + parameters.previewOffsetY, right = filter.right + parameters.previewOffsetX;
    top = std::clamp<int32_t>(top, filter.top, filter.bottom);
    bottom = std::clamp<int32_t>(bottom, filter.top, filter.bottom);
    left = std::clamp<int32_t>(left, filter.left, filter.right);
    right = std::clamp<int32_t>(right, filter.left, filter.right);
    top /= a;
    left /= a;
    bottom /= a;
    right /= a;
    right = std::min(right, left + kPreviewViewportWidth);
    bottom = std::min(bottom, top + kPreviewViewportHeight);
    const Rect in{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
    record->inRect = in;
    record->maskRect = in;
    record->outRect = Rect{filter.top, filter.left, int16_t(filter.top + (bottom - top)),
                           int16_t(filter.left + (right - left))};
    if (hostMovesScaledMask(record) && a > 1) {
        const int16_t dy = int16_t(parameters.previewOffsetY / a), dx = int16_t(parameters.previewOffsetX / a);
        record->maskRect = Rect{dy, dx, int16_t(bottom - top + dy), int16_t(right - left + dx)};
    }
    setPlanesAndRates(record, Fixed(a) << 16);
    keepRelativeRows(globals);
    if (record->advanceState) {
        resultOf(globals) = askHostFor(globals);
        if (resultOf(globals) == noErr) setPassSize(globals, record->inRect, a);
    }
}

void acquireSource(PluginGlobals& globals) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    Pyramid& base = globals.images->source;
    const Rect pass = globals.pass.passRect;
    const int32_t width = pass.right - pass.left, height = pass.bottom - pass.top;
    if (!base.create(pluginMemoryService(record), width, height, pyramidTypeFor(record), kEdgeClamp)) {
        resultOf(globals) = kResultPyramidFailed;
        return;
    }
    base.weights = &globals.workArea->weights;

    const Rect savedIn = record->inRect, savedOut = record->outRect, savedMask = record->maskRect;
    const int32_t savedScale = parameters.previewScale;
    setPassSize(globals, record->filterRect, 1);
    const Rect& filter = record->filterRect;
    JobWorkers& workers = passWorkers(globals);
    for (int i = 0; i < base.levelTileCount(0); ++i) {
        const PyramidTile& tile = *base.levelTile(0, i);
        record->inRect = Rect{int16_t(filter.top + tile.top), int16_t(filter.left + tile.left),
                              int16_t(filter.top + tile.top + tile.height),
                              int16_t(filter.left + tile.left + tile.width)};
        record->outRect = Rect{filter.top, filter.left, int16_t(filter.top + 1), int16_t(filter.left + 1)};
        record->maskRect = emptyRectAt(filter);
        setPlanesAndRates(record, 1 << 16);
        const OSErr result = record->advanceState ? askHostFor(globals) : OSErr(errPlugInHostInsufficient);
        if (result != noErr) {
            resultOf(globals) = result;
            globals.pass.passActive = 0;
            return;
        }
        copyTileIntoBase(record, base, tile, workers, jobsFor(workers));
    }
    buildPyramidLevels(base, 0, jobsFor(workers), &workers);
    HostProgress host(record);
    reportProgress(globals, host, 1, 100);
    parameters.sourceCached = 1;

    record->inRect = savedIn;
    record->outRect = savedOut;
    record->maskRect = savedMask;
    parameters.previewScale = savedScale;
    scaledRequest(globals, savedScale);
}

void passSetUp(PluginGlobals& globals) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    parameters.previewOffsetX = parameters.previewOffsetY = 0;
    buildBlendTables(&globals.workArea->blend);
    if (!parameters.sourceCached) acquireSource(globals);
    if (resultOf(globals) == noErr) {
        globals.pass.passRect = record->filterRect;
        setPassSize(globals, record->filterRect, 1);
        const size_t inWidth = size_t(std::max(record->inRect.right - record->inRect.left, 0));
        if (!growRowBuffer(globals, inWidth + 4)) resultOf(globals) = userCanceledErr;
        buildWeightTables(globals.workArea->weights);
        preparePassState(globals);
    }
    if (resultOf(globals) != noErr) {
        // Nothing more will be asked of the host for this run.
        releaseWorkingBuffers(globals);
        emptyHostRectangles(record);
        return;
    }
    setRowsRequest(globals, 0);
    if (record->advanceState) {
        resultOf(globals) = askHostFor(globals);
        if (resultOf(globals) != noErr) {
            releaseWorkingBuffers(globals);
            emptyHostRectangles(record);
        }
    }
}

void passStep(PluginGlobals& globals) {
    PassState& pass = globals.pass;
    HostProgress host(globals.record);
    JobProgress& progress = pass.progress ? *pass.progress : host;
    reportProgress(globals, progress, pass.stepCount, pass.progressTotal);
    pass.stepCount += 1;
    if (pass.rowMode == 1) {
        const RenderContext context = rowRenderContext(globals);
        JobWorkers& workers = passWorkers(globals);
        runRowJobs(context, pass.currentRow, 0, context.target.width - 1, jobsFor(workers), &workers);
        if (pass.currentRow < pass.passHeight - 1) {
            pass.currentRow += 1;
        } else {
            pass.passActive = 0;
            pass.currentRow = 0;
        }
    }
    if (abortRequested(globals, progress)) resultOf(globals) = userCanceledErr;
}

void continueLoop(PluginGlobals& globals) {
    FilterRecord* record = globals.record;
    if (!globals.buffersAllocated || !globals.pass.passActive) {
        emptyHostRectangles(record);
        return;
    }
    // The rows in hand must still be those delivered for the last request.
    if (!hostDeliveredRequest(*record, globals.pass.request)) {
        resultOf(globals) = filterBadParameters;
        releaseWorkingBuffers(globals);
        emptyHostRectangles(record);
        return;
    }
    while (true) {
        passStep(globals);
        if (resultOf(globals) != noErr) {
            globals.pass.passActive = 0;
        } else {
            setRowsRequest(globals, globals.pass.currentRow);
        }
        if (!globals.pass.passActive) break;
        if (!record->advanceState) return;
        const OSErr result = askHostFor(globals);
        if (result != noErr) {
            resultOf(globals) = result;
            break;
        }
    }
    releaseWorkingBuffers(globals);
    emptyHostRectangles(record);
}

void previewRender(PluginGlobals& globals) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    if (!parameters.sourceCached) acquireSource(globals);
    buildBlendTables(&globals.workArea->blend);
    if (resultOf(globals) != noErr) return;
    buildWeightTables(globals.workArea->weights);
    preparePassState(globals);
    if (!record->advanceState || !record->displayPixels || !record->inData) return;
    while (globals.pass.passActive && resultOf(globals) == noErr) passStep(globals);
}

OSErr renderIntoInternalImage(PluginGlobals& globals, int32_t width, int32_t height, ExportProgress* progress) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    if (!globals.buffersAllocated) return memFullErr;
    if (!parameters.sourceCached) acquireSource(globals);
    if (resultOf(globals) != noErr) return resultOf(globals);
    buildBlendTables(&globals.workArea->blend);
    buildWeightTables(globals.workArea->weights);

    Pyramid& internal = globals.images->internal;
    const Pyramid& source = globals.images->source;
    // The same storage as the source, so that an export keeps the host's
    // depth and an equal-size copy is exact; other sizes are resampled at
    // that depth.
    const int type = source.storageType;
    if (!internal.create(pluginMemoryService(record), width, height, type, kEdgeClamp)) return kResultPyramidFailed;
    internal.weights = &globals.workArea->weights;
    copyImage(source, internal);

    const int32_t savedTarget = parameters.renderTarget;
    const int32_t savedScale = parameters.previewScale;
    const PassState savedPass = globals.pass;
    parameters.renderTarget = renderInternalImage;
    parameters.previewScale = 1;
    globals.pass.passWidth = width;
    globals.pass.passHeight = height;
    preparePassState(globals);
    // The rows' stop checks go where the export shows its progress.
    if (progress) globals.pass.progress = &progress->shown();
    while (globals.pass.passActive && resultOf(globals) == noErr) {
        passStep(globals);
        if (progress && !progress->report(globals.pass.stepCount, height)) resultOf(globals) = userCanceledErr;
    }
    parameters.renderTarget = savedTarget;
    parameters.previewScale = savedScale;
    globals.pass = savedPass;
    return resultOf(globals);
}
