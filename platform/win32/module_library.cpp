// Shared modules through the Windows loader.
#include "platform/module_library.h"

#include "platform/wide_text.h"

#include <windows.h>

namespace {
// The module's file in UTF-8, however long its path (empty when unknown).
std::string moduleFileName(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), DWORD(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return utf8Text(path.c_str(), length);
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}
}  // namespace

void* openModuleLibrary(const std::string& path, std::string& error) {
    HMODULE library = LoadLibraryW(widePath(path).c_str());
    if (!library) {
        wchar_t reason[512] = L"";
        const DWORD code = GetLastError();
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, reason,
                       512, nullptr);
        error = reason[0] ? utf8Text(reason) : "error " + std::to_string(code);
        while (!error.empty() && (error.back() == '\n' || error.back() == '\r' || error.back() == ' '))
            error.pop_back();
    }
    return reinterpret_cast<void*>(library);
}

void* moduleEntry(void* library, const char* name) {
    return library ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

void closeModuleLibrary(void* library) {
    if (library) FreeLibrary(static_cast<HMODULE>(library));
}

std::string modulePathOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<const char*>(address), &module))
        return {};
    return moduleFileName(module);
}

std::string runningProgramPath() {
    return moduleFileName(nullptr);
}

bool moduleResource(void* library, uint32_t type, int16_t id, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (!library) return false;
    // Resource types are named by their four characters, first character first.
    const char typeName[5] = {char(type >> 24), char(type >> 16), char(type >> 8), char(type), '\0'};
    HMODULE module = static_cast<HMODULE>(library);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(uint16_t(id)), typeName);
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return false;
    const uint8_t* first = static_cast<const uint8_t*>(data);
    bytes.assign(first, first + size);
    return true;
}
