// The filtering pass between the host and the image pyramid.
#include "interface/plugin_result_codes.h"
#include "plugin/filter_pass.h"

#include "effect/effect_pipeline.h"
#include "effect/host_rows.h"
#include "effect/tiled_image.h"
#include "kernels/jobs.h"
#include "kernels/speed_settings.h"
#include "plugin/export_progress.h"
#include "plugin/host_requests.h"
#include "plugin/host_progress.h"
#include "plugin/pass_throttles.h"
#include "plugin/pass_buffers.h"
#include "plugin/pass_context.h"
#include "plugin/session_store.h"
#include "plugin/work_area.h"

#include <algorithm>
#include <new>

namespace {

int16_t& resultOf(PluginGlobals& globals) { return *globals.result; }

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
