// Every benchmark says where it ran: CPU model, vector level and thread count.
#pragma once

#include "host/descriptor_suite_store.h"
#include "host/document.h"
#include "host/export_driver.h"

#include <cstdint>
#include <string>

class PluginModule;

void reportMachine();
// "threads N, simd LEVEL" for a figure measured with N filter threads at the
// best vector level of this CPU.
std::string speedLabel(int threads);

// The plug-in module the benchmarks drive: $TWL_PLUGIN, or the one built
// beside them. Loaded once; a module that does not load ends the program.
const PluginModule& benchPluginModule();

// Runs one export job (`kExport...`) of the plug-in on `document` through our
// host, writing `path`, with the scripted settings in `settings`; the host's
// handles are given back.
ExportRunResult runBenchExport(Document& document, int32_t job, const std::string& path, Descriptor& settings);

// The process's peak resident memory so far, in MiB.
double peakResidentMegabytes();
