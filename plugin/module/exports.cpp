// The loadable module's exported symbols: the entry point and, on Linux,
// the accessor that stands in for the Windows resource section.
#include "plugin/entry.h"
#include "plugin/export_entry.h"
#include "resources/resource_bytes.h"

#define TWL_EXPORT extern "C" __attribute__((visibility("default")))

TWL_EXPORT void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    pluginMain(selector, record, data, result);
}

// Copies the bytes of resource (type, id) into buffer when it is large
// enough and returns their count; -1 when there is no such resource.
TWL_EXPORT int32_t TwilightomatorResource(uint32_t type, int16_t id, void* buffer, int32_t capacity) {
    return copyResourceBytes(type, id, buffer, capacity);
}

// Writes a layered document or a gallery page with the plug-in's own
// rendering, between Start and Continue (interface/export_entry.h).
TWL_EXPORT void TwilightomatorExport(TwilightomatorExportRequest* request, void* record, intptr_t* data,
                                     int16_t* result) {
    exportEntry(request, record, data, result);
}
