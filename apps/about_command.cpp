// twilightomator about: the plug-in's About box, asked for as a host asks
// for it (selector 0, no record, no globals).
#include "apps/commands.h"

#include "host/plugin_module.h"

#include <cstdio>

int aboutCommand(const Arguments& given) {
    Arguments arguments = given;
    const std::string path = takePluginPath(arguments);
    for (const std::string& argument : arguments) {
        if (argument == "-h" || argument == "--help") {
            std::printf("Usage: twilightomator about [--plugin PATH]\n");
            return kExitOk;
        }
        printError("about: unexpected argument '" + argument + "'");
        return kExitUsage;
    }
    PluginModule module;
    std::string error;
    if (!module.load(path, error)) {
        printError(error);
        return kExitFailure;
    }
    AboutRecord record{};
    intptr_t data = 0;
    int16_t result = 0;
    module.call(filterSelectorAbout, &record, &data, &result);
    return kExitOk;
}
