// Drives an export through the module's export entry: Prepare and Start as
// for a run without the dialog, then the export in place of Continue.
#pragma once

#include "host/filter_driver.h"
#include "interface/export_entry.h"

#include <string>

struct ExportRunResult {
    int16_t result = 0;
    std::string stage;    // "Prepare", "Start" or "Export" when result is not 0
    std::string message;  // the plug-in's words for the user, when it gave some
};

ExportRunResult runExport(const PluginModule& module, HostSession& session, PluginSessionState& state,
                          TwilightomatorExportRequest& request);
