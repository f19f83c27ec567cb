// Printing the scripting terminology that a module declares.
#include "apps/commands.h"

#include "host/plugin_module.h"

#include <cstdio>

void printTerminology(const PluginModule& module) {
    const std::vector<uint8_t> bytes = module.resource(fourCC("aete"), 16000);
    std::printf("terminology: %zu bytes\n", bytes.size());
}
