// Rename that never replaces an existing target.
#include "platform/file_rename.h"

#include "platform/path_limits.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

bool renameFile(const char* from, const char* to) {
    if (!pathFits(from) || !pathFits(to) || from[0] == '\0' || to[0] == '\0') return false;
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace flag: check, then rename.
    struct stat info;
    if (::lstat(to, &info) == 0) return false;
    return std::rename(from, to) == 0;
}
