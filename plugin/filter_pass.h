// The filtering pass: working buffers, source acquisition into the image
// pyramid, the row and scaled requests to the host, the row steps with their
// progress and abort throttles, and the preview render.
#pragma once

#include "plugin/globals.h"

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
// Copies the host's filter rectangle into the pyramid base, tile by tile.
void acquireSource(PluginGlobals& globals);

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
