// Shared modules through the dynamic loader.
#include "platform/module_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

void* openModuleLibrary(const std::string& path, std::string& error) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown reason";
    }
    return library;
}

void* moduleEntry(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

void closeModuleLibrary(void* library) {
    if (library) dlclose(library);
}

std::string modulePathOf(const void* address) {
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return {};
    return info.dli_fname;
}

std::string runningProgramPath() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return {};
    return std::string(self, size_t(length));
}

bool moduleResource(void* library, uint32_t type, int16_t id, std::vector<uint8_t>& bytes) {
    bytes.clear();
    typedef int32_t (*ResourceAccessor)(uint32_t type, int16_t id, void* buffer, int32_t capacity);
    const auto accessor = reinterpret_cast<ResourceAccessor>(moduleEntry(library, "TwilightomatorResource"));
    if (!accessor) return false;
    const int32_t size = accessor(type, id, nullptr, 0);
    if (size <= 0 || size > (1 << 24)) return false;
    bytes.resize(static_cast<size_t>(size));
    if (accessor(type, id, bytes.data(), size) != size) {
        bytes.clear();
        return false;
    }
    return true;
}
