// twilightomator info: the plug-in's property list and scripting terms.
#include "apps/commands.h"

#include "host/four_char_codes.h"
#include "host/plugin_module.h"

#include <cstdio>

namespace {
std::string supportedModes(const PluginModule& module) {
    std::string modes;
    for (int16_t mode = 0; mode <= 17; ++mode) {
        std::string ignored;
        if (module.accepts(mode, ignored)) modes += std::string(modes.empty() ? "" : ", ") + imageModeName(mode);
    }
    return modes;
}
}  // namespace

int infoCommand(const Arguments& given) {
    PluginModule module;
    std::string path;
    if (const int end = loadModuleOnly("info", "Usage: twilightomator info [--plugin PATH]\n", given, module, path); end >= 0) return end;
    const PropertyList& p = module.properties();
    std::printf("module:      %s\n", path.c_str());
    std::printf("kind:        %s\n", fourCCText(p.kind).c_str());
    std::printf("name:        %s\n", p.name.c_str());
    std::printf("category:    %s\n", p.category.c_str());
    std::printf("version:     %u.%u\n", unsigned(p.versionMajor), unsigned(p.versionMinor));
    std::printf("entry point: %s\n", p.entryPoint.c_str());
    std::printf("modes:       %s\n", supportedModes(module).c_str());
    std::printf("enable:      %s\n", p.enableExpression.c_str());
    if (p.hasTerminology)
        std::printf("scripting:   class '%s', event '%s', terminology %d, scope \"%s\"\n",
                    fourCCText(p.terminologyClass).c_str(), fourCCText(p.terminologyEvent).c_str(),
                    int(p.terminologyId), p.terminologyScope.c_str());
    printTerminology(module);
    return kExitOk;
}
