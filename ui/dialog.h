// The main dialog and the About box as the frame calls them. The dialog edits
// the parameter block in place and asks the plug-in for everything else
// through DialogServices; it knows nothing of the host or the pass.
#pragma once

#include "interface/host_interface.h"
#include "model/parameters.h"
#include "platform/runtime_random.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// The dot thumbnail's picture: the current image under a memory dot's
// settings, fitted within 88 x 88, 8-bit RGB rows.
inline constexpr int32_t kDotThumbnailSide = 88;
struct DotPicture {
    int32_t width = 0, height = 0;  // in pixels: pixelsPerPoint per client pixel
    int32_t pixelsPerPoint = 1;
    std::vector<uint8_t> rgb;
};

class ProgressWindow;

// What the dialog asks of the plug-in. Every call returns a result code in the
// host's convention (0 success).
class DialogServices {
public:
    virtual ~DialogServices() = default;
    virtual DialogImage image() = 0;
    // Fetches the visible region for previewScale and the pan offset and
    // renders the current settings into the preview buffer (renderTarget 1).
    virtual OSErr renderPreview() = 0;
    // A large image's source is built in steps while the dialog is open; a
    // preview rendered before it is complete is provisional. sourceComplete
    // tells whether it is; continueSourceBuild does the next step (a few
    // tens of milliseconds) and returns true once it is complete.
    virtual bool sourceComplete() = 0;
    virtual bool continueSourceBuild() = 0;
    // Fetches the visible region and fills the preview buffer with the
    // unfiltered source (over a checkerboard where a selection hides it).
    virtual OSErr showUnfilteredPreview() = 0;
    virtual PreviewImage previewImage() = 0;
    // The host's display procedure; paramErr when the host offers none.
    virtual OSErr displayPixels(const PSPixelMap& map, const VRect& rect, int32_t row, int32_t column,
                                void* platformContext) = 0;
    // The host's colour picker: false when the host offers none (the dialog
    // then shows the toolkit's chooser); true when the host was asked, and
    // colour then holds what it returned.
    virtual bool chooseColourWithHost(const char* prompt, Color16& colour) = 0;
    // An undo snapshot of the current settings, with its file or without.
    virtual void takeUndoSnapshot(bool withFile) = 0;
    // Renders the result into the plug-in's internal image at width x height
    // (renderTarget 2), for exports and gallery pictures.
    virtual OSErr renderInternalImage(int32_t width, int32_t height) = 0;
    // Fills the preset picture (128 x 128) with the current result.
    virtual OSErr makePresetThumbnail() = 0;
    // Stores the current settings, with a preset picture of the current
    // result, as memory dot `dot`.
    virtual OSErr storeMemoryDot(int32_t dot) = 0;
    // Loads memory dot `dot` into the parameter block.
    virtual OSErr loadMemoryDot(int32_t dot) = 0;
    // A memory dot's kept flag (1: it keeps its settings across runs), as the
    // memdot map saves it.
    virtual int32_t memoryDotKept(int32_t dot) = 0;
    virtual void setMemoryDotKept(int32_t dot, int32_t kept) = 0;
    // Renders the current image under memory dot `dot`'s settings into
    // picture, at pixelsPerPoint pixels per client pixel where the image has
    // that many; the parameter block is left as it was.
    virtual OSErr renderDotPicture(int32_t dot, DotPicture& picture, int32_t pixelsPerPoint) = 0;
    // Writes the current settings with the preset picture to the user's
    // file at path, whole or not at all; non-zero, with the reason for the
    // user in `reason`, when the file could not be written.
    virtual OSErr savePreset(const char* path, std::string& reason) = 0;
    // Reads the preset at path over the settings (the caller resets them
    // first); its stored picture becomes the preset picture. A file that
    // cannot be opened or is no preset changes nothing: kPresetCannotOpen or
    // kPresetNotAPreset.
    virtual OSErr loadPreset(const char* path) = 0;
    // Renders the result at width x height and saves it as a layered document
    // at path, reporting to progress and stopping when it is cancelled.
    // message gets a text for the user when the file could not be written.
    virtual OSErr exportLayeredDocument(const char* path, int32_t width, int32_t height, ProgressWindow& progress,
                                        char* message, size_t messageBytes) = 0;
    // The gallery pages: the stored pictures of the presets in a folder, and
    // the current image under each occupied memory dot (occupied: 25 flags).
    virtual OSErr writePresetsPage(const char* sourceFolder, const char* htmlPath, char* message,
                                   size_t messageBytes) = 0;
    virtual OSErr writeMemoryDotsPage(const char* htmlPath, const bool* occupied, char* message,
                                      size_t messageBytes) = 0;
    // The host's abort test: true when the host asks the plug-in to stop
    // (the user interrupted the host). False when the host offers none.
    virtual bool hostAborted() = 0;
    // Returns to the other undo snapshot; false when there is none.
    virtual bool undo() = 0;
    // The process's random generator, seeded at Prepare.
    virtual RuntimeRandom& random() = 0;
};

// Runs the main dialog over the parameter block; noErr for OK,
// userCanceledErr for Cancel, 1 when no window could be shown (the reason
// has been told on the console).
OSErr runMainDialog(DialogServices& services, FilterParameters& parameters);
void showAboutBox();
