// The platform's window system on Linux: the toolkit module beside the
// plug-in, loaded the first time a window is shown.
#include "ui/window_system.h"

#include "platform/module_library.h"

#include <string>

WindowSystem* platformWindowSystem() {
    const std::string self = modulePathOf(reinterpret_cast<const void*>(&platformWindowSystem));
    const size_t slash = self.find_last_of('/');
    if (slash == std::string::npos) return nullptr;
    std::string error;
    void* library = openModuleLibrary(self.substr(0, slash + 1) + kToolkitModuleName, error);
    if (!library) return nullptr;
    using Entry = WindowSystem* (*)();
    auto entry = reinterpret_cast<Entry>(moduleEntry(library, kToolkitModuleEntry));
    return entry ? entry() : nullptr;
}
