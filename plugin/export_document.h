// The PSD command's job: render the filter's result into the working image
// at the chosen size and the host's depth, and save it as a layered document.
#pragma once

#include "interface/plugin_result_codes.h"
#include "model/job_progress.h"
#include "plugin/globals.h"

#include <cstddef>

// Bytes per channel of the document: 4 for 32-bit hosts, 2 for RGB48 and
// Gray16 at 16 bits, 1 otherwise.
int32_t exportBytesPerChannel(const FilterRecord* record);

// Writes the document to path (created or replaced whole; a failed save
// leaves any older file untouched). width x height 0 x 0: the filter
// rectangle's size. The render and the writing show their progress on
// `shown`, which may stop them. Returns 0, userCanceledErr, the render's
// code, or kExportWriteFailed; a message for the user goes into message.
OSErr exportLayeredDocument(PluginGlobals& globals, const char* path, int32_t width, int32_t height,
                            JobProgress& shown, char* message, size_t messageBytes);

inline constexpr OSErr kExportWriteFailed = kResultWriteFailed;
inline constexpr OSErr kExportNoWorkingImage = -99;
