// The temporary folder: the user's own from GetTempPathW (TMP, TEMP, the
// profile's folder) in UTF-8, the system's when none can be had.
#include "platform/temporary_folder.h"

#include "platform/path_limits.h"
#include "platform/wide_text.h"

#include <string>
#include <windows.h>

namespace {
constexpr char kSystemTemporaryFolder[] = "C:\\Windows\\Temp\\";
}  // namespace

bool temporaryFolder(char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    // GetTempPathW gives at most MAX_PATH + 1 units, with its separator.
    wchar_t folder[MAX_PATH + 2];
    const DWORD length = GetTempPathW(MAX_PATH + 2, folder);
    if (length == 0 || length > MAX_PATH + 1) return copyPath(out, capacity, kSystemTemporaryFolder);
    std::string utf8 = utf8Text(folder, length);
    if (utf8.back() != '\\' && utf8.back() != '/') utf8 += '\\';
    // A folder the store's paths cannot hold: the system's folder.
    return copyPath(out, capacity, utf8.c_str()) || copyPath(out, capacity, kSystemTemporaryFolder);
}
