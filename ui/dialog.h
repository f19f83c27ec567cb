// The main dialog and the About box as the frame calls them. The dialog edits
// the parameter block in place and asks the plug-in for everything else
// through DialogServices; it knows nothing of the host or the pass.
#pragma once

#include "interface/host_interface.h"
#include "model/parameters.h"

#include <cstdint>

// What the dialog asks of the plug-in. Every call returns a result code in the
// host's convention (0 success).
class DialogServices {
public:
    virtual ~DialogServices() = default;
    // Renders the preview of the current settings (renderTarget 1).
    virtual OSErr renderPreview() = 0;
    // Renders the result into the plug-in's internal image at width x height
    // (renderTarget 2), for exports and gallery pictures.
    virtual OSErr renderInternalImage(int32_t width, int32_t height) = 0;
    // Stores the current settings, with the preset picture, as memory dot `dot`.
    virtual OSErr storeMemoryDot(int32_t dot) = 0;
    // Loads memory dot `dot` into the parameter block.
    virtual OSErr loadMemoryDot(int32_t dot) = 0;
};

// Runs the main dialog over the parameter block; noErr for OK, userCanceledErr
// for Cancel.
OSErr runMainDialog(DialogServices& services, FilterParameters& parameters);
void showAboutBox();
