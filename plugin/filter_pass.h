// The filtering pass: source acquisition into the image pyramid, the set-up
// and row steps of the final pass, the preview render and the export
// render. Its requests to the host are in host_requests.h, its buffers in
// pass_buffers.h, its progress throttles in pass_throttles.h.
#pragma once

#include "plugin/globals.h"
#include "plugin/host_requests.h"
#include "plugin/pass_buffers.h"

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
