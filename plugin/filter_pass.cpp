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
#include <chrono>
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

namespace {

// A step of the stepwise build: one tile taken, one tile copied, or this
// many rows of a reduced level.
constexpr int32_t kReduceRowsPerStep = 64;
int64_t gStepwiseSourcePixels = kStepwiseSourcePixels;
int32_t gSourceTickMilliseconds = kSourceTickMilliseconds;

using BuildClock = std::chrono::steady_clock;

// Asks the host for level 0's tile `index` and copies it into the base.
OSErr copySourceTile(PluginGlobals& globals, Pyramid& base, int index) {
    FilterRecord* record = globals.record;
    const Rect& filter = record->filterRect;
    const PyramidTile& tile = *base.levelTile(0, index);
    record->inRect = Rect{int16_t(filter.top + tile.top), int16_t(filter.left + tile.left),
                          int16_t(filter.top + tile.top + tile.height), int16_t(filter.left + tile.left + tile.width)};
    record->outRect = Rect{filter.top, filter.left, int16_t(filter.top + 1), int16_t(filter.left + 1)};
    record->maskRect = emptyRectAt(filter);
    setPlanesAndRates(record, 1 << 16);
    const OSErr result = record->advanceState ? askHostFor(globals) : OSErr(errPlugInHostInsufficient);
    if (result != noErr) return result;
    JobWorkers& workers = passWorkers(globals);
    copyTileIntoBase(record, base, tile, workers, jobsFor(workers));
    return noErr;
}

// One step of the build; true when the source is complete.
bool sourceBuildStep(PluginGlobals& globals, SourceBuild& build, Pyramid& base) {
    FilterRecord* record = globals.record;
    switch (build.stage) {
        case SourceBuild::notStarted: {
            const Rect pass = globals.pass.passRect;
            if (!base.layOut(pluginMemoryService(record), pass.right - pass.left, pass.bottom - pass.top,
                             pyramidTypeFor(record), kEdgeClamp)) {
                resultOf(globals) = kResultPyramidFailed;
                return true;
            }
            base.weights = &globals.workArea->weights;
            build.stage = SourceBuild::takingMemory;
            return false;
        }
        case SourceBuild::takingMemory:
            // Level 0's tiles, then the reduced levels', in tile order; the
            // copy and the reduce write every pixel before the effect reads any.
            if (!base.allocateTiles(base.tileCount + 1, true)) {
                resultOf(globals) = kResultPyramidFailed;
                return true;
            }
            if (base.hasTiles()) build = SourceBuild{SourceBuild::copying, 0, 0};
            return false;
        case SourceBuild::copying: {
            const OSErr result = copySourceTile(globals, base, build.next);
            if (result != noErr) {
                resultOf(globals) = result;
                globals.pass.passActive = 0;
                return true;
            }
            build.next += 1;
            if (build.next == base.levelTileCount(0)) build = SourceBuild{SourceBuild::reducing, 0, 0};
            return false;
        }
        case SourceBuild::reducing: {
            JobWorkers& workers = passWorkers(globals);
            const bool reduced =
                base.edgeMode != kEdgeNoLevels && build.level < base.lmax &&
                reducePyramidRows(base, build.level, build.next, build.next + kReduceRowsPerStep, jobsFor(workers),
                                  &workers);
            if (reduced) {
                build.next += kReduceRowsPerStep;
                if (build.next >= base.height[build.level + 1]) build = SourceBuild{SourceBuild::reducing, 0, build.level + 1};
                return false;
            }
            base.buildState = kBuildFull;
            build.stage = SourceBuild::complete;
            HostProgress host(record);
            reportProgress(globals, host, 1, 100);
            parametersOf(record)->sourceCached = 1;
            return true;
        }
        default: return true;
    }
}

}  // namespace

void setStepwiseSource(int64_t pixels, int32_t tickMilliseconds) {
    gStepwiseSourcePixels = pixels;
    gSourceTickMilliseconds = tickMilliseconds;
}

int32_t sourceTickMilliseconds() { return gSourceTickMilliseconds; }

bool sourceBuiltInSteps(const FilterRecord* record) {
    const Rect& r = record->filterRect;
    return int64_t(r.right - r.left) * (r.bottom - r.top) >= gStepwiseSourcePixels;
}

bool advanceSourceBuild(PluginGlobals& globals, int32_t milliseconds) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    if (parameters.sourceCached) return true;
    if (resultOf(globals) != noErr || !globals.workArea) return true;
    SourceBuild& build = globals.workArea->sourceBuild;
    Pyramid& base = globals.images->source;

    const Rect savedIn = record->inRect, savedOut = record->outRect, savedMask = record->maskRect;
    const int32_t savedScale = parameters.previewScale;
    setPassSize(globals, record->filterRect, 1);
    const BuildClock::time_point end = BuildClock::now() + std::chrono::milliseconds(milliseconds);
    const int32_t stageBefore = build.stage;
    bool done = false;
    while (!done) {
        done = sourceBuildStep(globals, build, base);
        if (milliseconds >= 0 && BuildClock::now() >= end) break;
    }
    if (resultOf(globals) != noErr) return true;
    // The host was asked for source tiles: the request of the view comes back.
    const bool askedHost = stageBefore <= SourceBuild::copying && build.stage >= SourceBuild::copying;
    record->inRect = savedIn;
    record->outRect = savedOut;
    record->maskRect = savedMask;
    parameters.previewScale = savedScale;
    if (askedHost) scaledRequest(globals, savedScale);
    else setPassSize(globals, savedIn, savedScale);
    return done;
}

void acquireSource(PluginGlobals& globals) { advanceSourceBuild(globals, -1); }

void provisionalPreviewRender(PluginGlobals& globals) {
    FilterRecord* record = globals.record;
    FilterParameters& parameters = *parametersOf(record);
    if (!record->advanceState || !record->displayPixels || !record->inData) return;
    buildBlendTables(&globals.workArea->blend);
    buildWeightTables(globals.workArea->weights);
    // The host's delivery of the view (every z-th pixel of the whole image)
    // becomes a small image of its own.
    const int32_t width = globals.pass.passWidth, height = globals.pass.passHeight;
    Pyramid& small = globals.images->provisional;
    if (!small.create(pluginMemoryService(record), width, height, pyramidTypeFor(record), kEdgeClamp)) {
        resultOf(globals) = kResultPyramidFailed;
        return;
    }
    small.weights = &globals.workArea->weights;
    JobWorkers& workers = passWorkers(globals);
    copyHostRows(deliveredRows(record), width, height, small, 0, 0);
    buildPyramidLevels(small, 0, jobsFor(workers), &workers);
    preparePassState(globals);
    // Filtered as an image of that size, seen one to one.
    RenderContext& render = globals.workArea->render;
    render.source = &small;
    render.previewScale = 1;
    render.previewOffsetX = render.previewOffsetY = 0;
    render.extentWidth = width;
    render.extentHeight = height;
    render.setup = makeEffectSetup(parameters.settings, width, height);
    while (globals.pass.passActive && resultOf(globals) == noErr) passStep(globals);
    small.release();
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

// What every render into the plug-in's own images needs first: the
// working buffers, the cached source, the blend and weight tables.
OSErr readyForInternalRender(PluginGlobals& globals) {
    FilterParameters& parameters = *parametersOf(globals.record);
    if (!globals.buffersAllocated) return memFullErr;
    if (!parameters.sourceCached) acquireSource(globals);
    if (resultOf(globals) != noErr) return resultOf(globals);
    buildBlendTables(&globals.workArea->blend);
    buildWeightTables(globals.workArea->weights);
    return noErr;
}

// A pass over width x height rows into the plug-in's own images, at full
// scale; the render target, scale and pass state it stood in for come back
// when it ends. The rows' stop checks go where the export shows progress.
class InternalRenderPass {
public:
    InternalRenderPass(PluginGlobals& globals, int32_t width, int32_t height, ExportProgress* progress)
        : globals_(globals), parameters_(*parametersOf(globals.record)), savedTarget_(parameters_.renderTarget),
          savedScale_(parameters_.previewScale), savedPass_(globals.pass) {
        parameters_.renderTarget = renderInternalImage;
        parameters_.previewScale = 1;
        globals.pass.passWidth = width;
        globals.pass.passHeight = height;
        preparePassState(globals);
        if (progress) globals.pass.progress = &progress->shown();
    }
    InternalRenderPass(const InternalRenderPass&) = delete;
    InternalRenderPass& operator=(const InternalRenderPass&) = delete;
    ~InternalRenderPass() {
        parameters_.renderTarget = savedTarget_;
        parameters_.previewScale = savedScale_;
        globals_.pass = savedPass_;
    }

private:
    PluginGlobals& globals_;
    FilterParameters& parameters_;
    const int32_t savedTarget_;
    const int32_t savedScale_;
    const PassState savedPass_;
};

OSErr renderIntoInternalImage(PluginGlobals& globals, int32_t width, int32_t height, ExportProgress* progress) {
    FilterRecord* record = globals.record;
    if (const OSErr ready = readyForInternalRender(globals); ready != noErr) return ready;

    Pyramid& internal = globals.images->internal;
    const Pyramid& source = globals.images->source;
    // The same storage as the source, so that an export keeps the host's
    // depth and an equal-size copy is exact; other sizes are resampled at
    // that depth. Nothing samples the rendered image's reduced levels (the
    // exports and pictures read level 0), so it has none.
    const int type = source.storageType;
    if (!internal.create(pluginMemoryService(record), width, height, type, kEdgeNoLevels)) return kResultPyramidFailed;
    internal.weights = &globals.workArea->weights;
    JobWorkers& workers = passWorkers(globals);
    copyImage(source, internal, jobsFor(workers), &workers);

    const InternalRenderPass pass(globals, width, height, progress);
    while (globals.pass.passActive && resultOf(globals) == noErr) {
        passStep(globals);
        if (progress && !progress->report(globals.pass.stepCount, height)) resultOf(globals) = userCanceledErr;
    }
    return resultOf(globals);
}

OSErr renderInternalBands(PluginGlobals& globals, int32_t width, int32_t height, int32_t bandRows,
                          RenderedBands& bands, ExportProgress* progress) {
    FilterRecord* record = globals.record;
    if (const OSErr ready = readyForInternalRender(globals); ready != noErr) return ready;

    const Pyramid& source = globals.images->source;
    // The whole image's limit holds for the bands too: a size whose
    // working image could not be made is refused as it would be.
    if (int64_t(width) * height * storageInfo(source.storageType).bytesPerPixel > kMaxLevelBytes)
        return kResultPyramidFailed;
    bandRows = std::max(1, std::min(bandRows, height));
    // The source's storage, as for the whole image. Every row a band holds
    // is copied in before anything reads it, so its memory is not cleared.
    Pyramid band[2];
    struct LetGo {
        RenderedBands& bands;
        ~LetGo() { bands.release(); }
    } letGo{bands};  // declared after the bands: runs before they are freed
    for (Pyramid& b : band) {
        if (!b.layOut(pluginMemoryService(record), width, bandRows, source.storageType, kEdgeNoLevels) ||
            !b.allocateTiles(b.plannedTiles, true))
            return kResultPyramidFailed;
        b.weights = &globals.workArea->weights;
    }
    JobWorkers& workers = passWorkers(globals);

    const InternalRenderPass pass(globals, width, height, progress);
    RenderContext& render = globals.workArea->render;
    int current = 0;
    // Rows go in order as in the whole render; at each band's first row
    // the next band image takes the source's rows and the render's writes.
    while (globals.pass.passActive && resultOf(globals) == noErr) {
        const int32_t row = globals.pass.currentRow;
        if (row % bandRows == 0) {
            const int32_t count = std::min(bandRows, height - row);
            copyImageRows(source, band[current], width, height, row, count, &workers);
            render.internal = &band[current];
            render.internalTop = row;
        }
        passStep(globals);
        if (progress && !progress->report(globals.pass.stepCount, height)) resultOf(globals) = userCanceledErr;
        const bool bandDone = !globals.pass.passActive || globals.pass.currentRow % bandRows == 0;
        if (resultOf(globals) == noErr && bandDone) {
            const int32_t first = row - row % bandRows;
            if (!bands.deliver(band[current], first, row + 1 - first)) resultOf(globals) = kResultWriteFailed;
            current = 1 - current;
        }
    }
    render.internal = &globals.images->internal;
    render.internalTop = 0;
    return resultOf(globals);
}
