// The filtering pass: working buffers, source acquisition into the image
// pyramid, the row and scaled requests to the host, the row steps with their
// progress and abort throttles, and the preview render.
#pragma once

#include "plugin/globals.h"

// The preview's viewport: its control inset by 2 pixels on every side.
inline constexpr int32_t kPreviewViewportWidth = 426;
inline constexpr int32_t kPreviewViewportHeight = 416;

void setPassSize(PluginGlobals& globals, const Rect& rect, int32_t scale);
// Sets inRect, outRect and maskRect to (0, 0, 0, 0): the host asks for no
// more pixels.
void emptyHostRectangles(FilterRecord* record);

// The row buffer for a pass of width x height: the larger of
// 2 x (max(W, H) + 4) and 3 x W + 2184 bytes; a side below 0 counts as 0.
int32_t rowBufferBytes(int32_t width, int32_t height);

// Start: the row buffer, seven scratch buffers, the job table and the work
// area. On any failure all are released and false is returned.
bool allocateWorkingBuffers(PluginGlobals& globals);
// Writes the memory-dot map, frees every working buffer and the images.
void releaseWorkingBuffers(PluginGlobals& globals);

// Start's per-run image set-up: the pyramid and internal image records and
// the 128 x 128 thumbnail image.
void preparePassImages(PluginGlobals& globals);

void setRowsRequest(PluginGlobals& globals, int32_t row);
void scaledRequest(PluginGlobals& globals, int32_t scale);
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
