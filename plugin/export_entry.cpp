// The export entry: runs one export job inside the run that Start set up,
// then ends the run as the last Continue would.
#include "plugin/export_entry.h"

#include "plugin/export_document.h"
#include "plugin/export_galleries.h"
#include "plugin/filter_pass.h"
#include "plugin/globals.h"
#include "plugin/host_progress.h"
#include "plugin/host_services.h"

#include <cstdio>

namespace {
int16_t runExportJob(PluginGlobals& globals, TwilightomatorExportRequest& request, FilterRecord* record) {
    char* message = request.message;
    HostProgress shown(record);
    switch (request.job) {
        case kExportLayeredDocument:
            return exportLayeredDocument(globals, request.path, request.width, request.height, shown, message,
                                         kExportMessageBytes);
        case kExportPresetsPage:
            return writePresetsPage(globals, request.sourceFolder, request.path, shown, message, kExportMessageBytes);
        case kExportMemoryDotsPage:
            return writeMemoryDotsPage(globals, request.path, shown, message, kExportMessageBytes);
        default:
            return filterBadParameters;
    }
}
}  // namespace

void exportEntry(TwilightomatorExportRequest* request, void* recordPointer, intptr_t* data, int16_t* result) {
    auto* record = static_cast<FilterRecord*>(recordPointer);
    if (!request || !record || !data || !result) return;
    if (request->size != int32_t(sizeof(TwilightomatorExportRequest))) {
        *result = filterBadParameters;
        return;
    }
    request->message[0] = '\0';
    Handle handle = reinterpret_cast<Handle>(*data);
    Ptr memory = handle ? lockPluginHandle(record, handle) : nullptr;
    if (!memory) {
        *result = filterBadParameters;  // no Start ran before
        return;
    }
    auto* globals = reinterpret_cast<PluginGlobals*>(memory);
    globals->record = record;
    globals->result = result;
    *result = noErr;
    if (!globals->buffersAllocated || !parametersOf(record)) {
        std::snprintf(request->message, kExportMessageBytes, "the filter run was not started");
        *result = filterBadParameters;
    } else {
        try {
            *result = runExportJob(*globals, *request, record);
        } catch (...) {
            // A refused allocation ends the job like any failed one: the
            // user is told, and the run is ended below all the same.
            std::snprintf(request->message, kExportMessageBytes, "There is not enough memory to finish the export.");
            *result = memFullErr;
        }
    }
    releaseWorkingBuffers(*globals);
    emptyHostRectangles(record);
    unlockPluginHandle(record, handle);
}
