// Rename that never replaces an existing target, through the system's
// no-replace move (no check-then-rename gap).
#include "platform/file_rename.h"

#include "platform/file_calls.h"
#include "platform/path_limits.h"

bool renameFile(const char* from, const char* to) {
    if (!pathFits(from) || !pathFits(to) || from[0] == '\0' || to[0] == '\0') return false;
    return renameNoReplace(from, to) == 0;
}
