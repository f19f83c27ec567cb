// The temporary folder: $TMPDIR when it is the user's own and no one else
// may write into it, else a private folder per user inside it (or under /tmp)
// so that no other user can plant links where the store writes its files.
#include "platform/temporary_folder.h"

#include "platform/path_limits.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool withTrailingSeparator(const char* folder, char* out, size_t capacity) {
    const size_t length = std::strlen(folder);
    const bool hasSeparator = length > 0 && folder[length - 1] == kPathSeparator;
    const char separator[2] = {kPathSeparator, '\0'};
    return joinPath(out, capacity, folder, hasSeparator ? "" : separator);
}

bool isPrivateFolderOfThisUser(const char* path) {
    struct stat info;
    if (::lstat(path, &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// The folder $TMPDIR names (a link the user set is followed) when this user
// owns it and neither group nor others may write into it.
bool isFolderOnlyThisUserWrites(const char* path) {
    struct stat info;
    if (::stat(path, &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0;
}
}  // namespace

bool perUserTemporaryFolder(const char* base, char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    if (base == nullptr || base[0] == '\0') return false;
    char name[64];
    std::snprintf(name, sizeof name, "twilightomator-%u", static_cast<unsigned>(::geteuid()));
    char baseFolder[kMaxPathBytes];
    char folder[kMaxPathBytes];
    if (!withTrailingSeparator(base, baseFolder, sizeof baseFolder)) return false;
    if (!joinPath(folder, sizeof folder, baseFolder, name)) return false;
    if (::mkdir(folder, 0700) != 0 && errno != EEXIST) return false;
    if (!isPrivateFolderOfThisUser(folder)) return false;
    return withTrailingSeparator(folder, out, capacity);
}

bool temporaryFolder(char* out, size_t capacity) {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    const char* fromEnvironment = std::getenv("TMPDIR");
    if (fromEnvironment == nullptr || fromEnvironment[0] == '\0') return perUserTemporaryFolder("/tmp", out, capacity);
    if (isFolderOnlyThisUserWrites(fromEnvironment)) return withTrailingSeparator(fromEnvironment, out, capacity);
    struct stat info;
    if (::stat(fromEnvironment, &info) == 0 && S_ISDIR(info.st_mode))
        return perUserTemporaryFolder(fromEnvironment, out, capacity);
    // $TMPDIR names no folder: as if it were not set.
    return perUserTemporaryFolder("/tmp", out, capacity);
}
