// The module's export entry, beside PluginMain: a host without the dialog
// (the command-line program) asks the plug-in to write a layered document or
// a gallery page with the plug-in's own rendering and writers.
//
// Call sequence: Prepare and Start as for a filter run without the dialog,
// then TwilightomatorExport with the same record and data in place of the
// first Continue. The export ends the run: the working buffers are released
// and the rectangles emptied, so no Continue follows; Finish may be called.
#pragma once

#include <cstdint>

enum TwilightomatorExportJob : int32_t {
    kExportLayeredDocument = 2,  // the filter's result as a layered PSD
    kExportPresetsPage = 3,      // a gallery page of the .z5a presets of a folder
    kExportMemoryDotsPage = 4,   // a gallery page of the memory dots on the image
};

inline constexpr int32_t kExportMessageBytes = 512;

struct TwilightomatorExportRequest {
    int32_t size;              // sizeof(TwilightomatorExportRequest)
    int32_t job;               // TwilightomatorExportJob
    int32_t width, height;     // layered document size; 0 x 0: the filter rectangle's size
    const char* path;          // the file to write (.psd or .html)
    const char* sourceFolder;  // presets page: the folder of presets, ending with '/'
    char message[kExportMessageBytes];  // out: what went wrong, for the user ("" on success)
};

extern "C" typedef void (*TwilightomatorExportProc)(TwilightomatorExportRequest* request, void* record,
                                                     intptr_t* data, int16_t* result);
inline constexpr const char* kExportEntryName = "TwilightomatorExport";
