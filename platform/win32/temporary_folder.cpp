// The temporary folder: the user's own from GetTempPathA (TMP, TEMP, the
// profile's folder), the system's when none can be had.
#include "platform/temporary_folder.h"

#include "platform/path_limits.h"

#include <cstdio>
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

bool perUserTemporaryFolder(const char* base, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    if (base == nullptr || base[0] == '\0') return false;
    // The folder is named after the account; its access is the profile's.
    char user[128] = "user";
    DWORD userLength = sizeof user;
    if (!GetUserNameA(user, &userLength)) std::snprintf(user, sizeof user, "user");
    char name[160];
    std::snprintf(name, sizeof name, "twilightomator-%s", user);
    char baseFolder[kMaxPathBytes];
    char folder[kMaxPathBytes];
    if (!withTrailingSeparator(base, baseFolder, sizeof baseFolder)) return false;
    if (!joinPath(folder, sizeof folder, baseFolder, name)) return false;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return withTrailingSeparator(folder, out, capacity);
}

bool temporaryFolder(char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    char folder[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > sizeof folder - 1) return copyPath(out, capacity, kSystemTemporaryFolder);
    return withTrailingSeparator(folder, out, capacity);
}
