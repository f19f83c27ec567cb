// Rename that never replaces an existing target: MoveFileEx without
// MOVEFILE_REPLACE_EXISTING fails when the target is there.
#include "platform/file_rename.h"

#include "platform/path_limits.h"

#include <windows.h>

bool renameFile(const char* from, const char* to) {
    if (!pathFits(from) || !pathFits(to) || from[0] == '\0' || to[0] == '\0') return false;
    return MoveFileExA(from, to, 0) != 0;
}
