// Finding the toolkit: an installed window system, else the toolkit module
// beside the plug-in, loaded once and kept for the life of the process (a
// toolkit cannot be unloaded safely).
#include "ui/window_system.h"

#include "platform/module_library.h"

#include <string>

namespace {
WindowSystem* gInstalled = nullptr;

WindowSystem* loadToolkitModule() {
    const std::string self = modulePathOf(reinterpret_cast<const void*>(&loadToolkitModule));
    const size_t slash = self.find_last_of('/');
    if (slash == std::string::npos) return nullptr;
    std::string error;
    void* library = openModuleLibrary(self.substr(0, slash + 1) + kToolkitModuleName, error);
    if (!library) return nullptr;
    using Entry = WindowSystem* (*)();
    auto entry = reinterpret_cast<Entry>(moduleEntry(library, kToolkitModuleEntry));
    return entry ? entry() : nullptr;
}
}  // namespace

WindowSystem* windowSystem() {
    if (gInstalled) return gInstalled;
    static WindowSystem* loaded = loadToolkitModule();
    return loaded;
}

void installWindowSystem(WindowSystem* system) { gInstalled = system; }
