// The main dialog and the About box as the frame calls them. The dialog edits
// the parameter block in place and asks the plug-in for everything else
// through DialogServices; it knows nothing of the host or the pass.
#pragma once

#include "interface/host_interface.h"
#include "model/parameters.h"

#include <cstdint>

// The preview buffer as the last render or pan left it: the visible region
// at the preview's factor, in the host's image mode and sample size.
struct PreviewImage {
    const void* pixels = nullptr;
    int32_t width = 0, height = 0;
    int32_t rowBytes = 0;
    int32_t planes = 0;     // samples per pixel
    int32_t bitsPerSample = 8;  // 8, 16 or 32 (float)
    int16_t imageMode = plugInModeRGBColor;
};

// The facts about the image that the dialog needs.
struct DialogImage {
    int32_t width = 0, height = 0;  // the host's filter rectangle
    bool floatingPoint = false;     // 32-bit float channels
};

// What the dialog asks of the plug-in. Every call returns a result code in the
// host's convention (0 success).
class DialogServices {
public:
    virtual ~DialogServices() = default;
    virtual DialogImage image() = 0;
    // Fetches the visible region for previewScale and the pan offset and
    // renders the current settings into the preview buffer (renderTarget 1).
    virtual OSErr renderPreview() = 0;
    // Fetches the visible region and fills the preview buffer with the
    // unfiltered source (over a checkerboard where a selection hides it).
    virtual OSErr showUnfilteredPreview() = 0;
    virtual PreviewImage previewImage() = 0;
    // The host's display procedure; paramErr when the host offers none.
    virtual OSErr displayPixels(const PSPixelMap& map, const VRect& rect, int32_t row, int32_t column,
                                void* platformContext) = 0;
    // An undo snapshot of the current settings, with its file or without.
    virtual void takeUndoSnapshot(bool withFile) = 0;
    // Renders the result into the plug-in's internal image at width x height
    // (renderTarget 2), for exports and gallery pictures.
    virtual OSErr renderInternalImage(int32_t width, int32_t height) = 0;
    // Stores the current settings, with the preset picture, as memory dot `dot`.
    virtual OSErr storeMemoryDot(int32_t dot) = 0;
    // Loads memory dot `dot` into the parameter block.
    virtual OSErr loadMemoryDot(int32_t dot) = 0;
};

// Runs the main dialog over the parameter block; noErr for OK,
// userCanceledErr for Cancel, 1 when no window could be shown (the reason
// has been told on the console).
OSErr runMainDialog(DialogServices& services, FilterParameters& parameters);
void showAboutBox();
