// twilightomator about: the plug-in's About box, asked for as a host asks
// for it (selector 0, no record, no globals).
#include "apps/commands.h"

#include "host/plugin_module.h"

#include <cstdio>

int aboutCommand(const Arguments& given) {
    PluginModule module;
    std::string path;
    if (const int end = loadModuleOnly("about", "Usage: twilightomator about [--plugin PATH]\n", given, module, path); end >= 0) return end;
    AboutRecord record{};
    intptr_t data = 0;
    int16_t result = 0;
    module.call(filterSelectorAbout, &record, &data, &result);
    return kExitOk;
}
