// Every benchmark says where it ran: CPU model, vector level and thread count.
#pragma once

#include <string>

class PluginModule;

void reportMachine();
// "threads N, simd LEVEL" for a figure measured with N filter threads at the
// best vector level of this CPU.
std::string speedLabel(int threads);

// The plug-in module the benchmarks drive: $TWL_PLUGIN, or the one built
// beside them. Loaded once; a module that does not load ends the program.
const PluginModule& benchPluginModule();
