// Rename that never replaces an existing target: MoveFileExW without
// MOVEFILE_REPLACE_EXISTING fails when the target is there.
#include "platform/file_rename.h"

#include "platform/path_limits.h"
#include "platform/wide_text.h"

#include <windows.h>

bool renameFile(const char* from, const char* to) {
    if (!pathFits(from) || !pathFits(to) || from[0] == '\0' || to[0] == '\0') return false;
    return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), 0) != 0;
}
