// The temporary folder: the user's own from GetTempPathA (TMP, TEMP, the
// profile's folder), the system's when none can be had.
#include "platform/temporary_folder.h"

#include "platform/path_limits.h"

#include <cstring>
#include <windows.h>

namespace {
constexpr char kSystemTemporaryFolder[] = "C:\\Windows\\Temp\\";

bool endsWithSeparator(const char* folder) {
    const size_t length = std::strlen(folder);
    return length > 0 && (folder[length - 1] == '\\' || folder[length - 1] == '/');
}

bool withTrailingSeparator(const char* folder, char* out, size_t capacity) {
    return joinPath(out, capacity, folder, endsWithSeparator(folder) ? "" : "\\");
}
}  // namespace

bool temporaryFolder(char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    char folder[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof folder, folder);
    // No folder, or one too long for the store's paths: the system's folder.
    if (length == 0 || length > sizeof folder - 1 || !withTrailingSeparator(folder, out, capacity))
        return copyPath(out, capacity, kSystemTemporaryFolder);
    return true;
}
