// The two gallery pages: the stored pictures of a folder of presets, and the
// current image rendered with each occupied memory dot.
#pragma once

#include "model/job_progress.h"
#include "plugin/globals.h"

#include <cstddef>

// Writes the page to htmlPath and its pictures and frame images into the
// web_images folder beside it, showing its progress on `shown`. Returns 0,
// userCanceledErr, or kExportWriteFailed with a message for the user.
OSErr writePresetsPage(PluginGlobals& globals, const char* sourceFolder, const char* htmlPath, JobProgress& shown,
                       char* message, size_t messageBytes);
// occupied: the dialog's 25 dot states (true: filled or current); null
// outside the dialog, where a dot is occupied when it keeps its settings
// (kept flag 1, as the dialog shows it filled when it opens).
OSErr writeMemoryDotsPage(PluginGlobals& globals, const char* htmlPath, JobProgress& shown, char* message,
                          size_t messageBytes, const bool* occupied = nullptr);

// The picture size of a memory dot: the image fitted within 300 pixels on
// its longer side (never enlarged, never below 1).
void memoryDotPictureSize(int32_t width, int32_t height, int32_t& pictureWidth, int32_t& pictureHeight);
