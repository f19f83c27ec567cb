// The filtering pass: source acquisition into the image pyramid, the set-up
// and row steps of the final pass, the preview render and the export
// render. Its requests to the host are in host_requests.h, its buffers in
// pass_buffers.h, its progress throttles in pass_throttles.h.
#pragma once

#include "kernels/pyramid.h"
#include "plugin/globals.h"
#include "plugin/host_requests.h"
#include "plugin/pass_buffers.h"

// Copies the host's filter rectangle into the pyramid base, tile by tile,
// and builds its levels: the whole of what advanceSourceBuild does in steps.
void acquireSource(PluginGlobals& globals);
// The same work a bounded piece at a time, for the dialog, which shows a
// provisional preview meanwhile: the base's memory a tile at a time, each
// level-0 tile asked of the host and copied, then the levels a band of rows
// at a time, steps following each other until `milliseconds` have passed
// (below 0: to the end). The host's request for the view is restored after.
// True once the source is complete (or failed, with the result set); the
// pyramid is then exactly the one acquireSource builds.
bool advanceSourceBuild(PluginGlobals& globals, int32_t milliseconds);
// Whether the dialog builds this image's source in steps: images of at
// least kStepwiseSourcePixels, whose memory alone takes a noticeable time.
// The dialog gives each tick of the build about kSourceTickMilliseconds, so
// that it answers the user between ticks.
inline constexpr int64_t kStepwiseSourcePixels = int64_t(1) << 22;
inline constexpr int32_t kSourceTickMilliseconds = 40;
bool sourceBuiltInSteps(const FilterRecord* record);
int32_t sourceTickMilliseconds();
// Sets that threshold and the tick's time, so that tests can build small
// images in steps, one step a tick (0 ms).
void setStepwiseSource(int64_t pixels, int32_t tickMilliseconds);
// The preview at a factor that shows the whole image while the source is
// still being built: the host's reduced delivery of the view copied into a
// small image of its own and filtered as an image of that size, seen one to
// one. Close to the preview from the complete source, but not equal to it.
void provisionalPreviewRender(PluginGlobals& globals);

// Start's last step: the final pass's set-up and its first row request.
void passSetUp(PluginGlobals& globals);
// One row.
void passStep(PluginGlobals& globals);
// Selector 4.
void continueLoop(PluginGlobals& globals);
// The dialog's full recomputation of its preview (renderTarget 1).
void previewRender(PluginGlobals& globals);
// Renders the filter's result into the internal image (renderTarget 2) at
// width x height, for exports: the source is copied (or resampled) into it,
// then every row is worked in place. Returns the pass result. With progress,
// each row is reported to it and a cancel there ends the render.
class ExportProgress;
OSErr renderIntoInternalImage(PluginGlobals& globals, int32_t width, int32_t height,
                              ExportProgress* progress = nullptr);

// Where an export rendered a band at a time sends its bands.
class RenderedBands {
public:
    virtual ~RenderedBands() = default;
    // Level 0 of `band` holds the image's rows first .. first + count - 1
    // from its row 0. Called on the rendering thread; the band is not
    // rendered into again until the next band has been delivered. False
    // stops the render (with kResultWriteFailed).
    virtual bool deliver(const Pyramid& band, int32_t first, int32_t count) = 0;
    // Called once before the band images go, however the render ended:
    // nothing may read a band after it returns.
    virtual void release() = 0;
};
// The same pixels as renderIntoInternalImage, rendered `bandRows` rows at a
// time into two band images taken in turn (level 0 only, from the host's
// memory), so that the whole image is never held and the caller can write
// one band while the next renders. Every row is reported to `progress`,
// where a cancel ends the render. Returns the pass result, or
// kResultPyramidFailed when the bands cannot be made or the whole image
// would be larger than a working image may be.
OSErr renderInternalBands(PluginGlobals& globals, int32_t width, int32_t height, int32_t bandRows,
                          RenderedBands& bands, ExportProgress* progress = nullptr);
