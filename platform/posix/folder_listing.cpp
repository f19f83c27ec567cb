// Folder listing and creation on POSIX directories.
#include "platform/folder_listing.h"

#include "platform/path_limits.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace {
bool endsWithIgnoringCase(const char* name, const char* suffix) {
    const size_t nameLength = std::strlen(name);
    const size_t suffixLength = std::strlen(suffix);
    return nameLength >= suffixLength &&
           ::strcasecmp(name + nameLength - suffixLength, suffix) == 0;
}

bool isRegularFile(const char* folder, const char* name) {
    const size_t folderLength = std::strlen(folder);
    const bool hasSeparator = folderLength > 0 && folder[folderLength - 1] == kPathSeparator;
    char path[kMaxPathBytes];
    char folderWithSeparator[kMaxPathBytes];
    const char separator[2] = {kPathSeparator, '\0'};
    if (!joinPath(folderWithSeparator, sizeof folderWithSeparator, folder, hasSeparator ? "" : separator))
        return false;
    if (!joinPath(path, sizeof path, folderWithSeparator, name)) return false;
    struct stat info;
    return ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const int order = ::strcasecmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
}
}  // namespace

bool listFilesWithSuffix(const char* folder, const char* suffix, std::vector<std::string>& names) {
    names.clear();
    if (!pathFits(folder) || suffix == nullptr) return false;
    // Closed on every way out, a refused allocation's too.
    const std::unique_ptr<DIR, int (*)(DIR*)> open(::opendir(folder[0] == '\0' ? "." : folder), ::closedir);
    DIR* directory = open.get();
    if (directory == nullptr) return false;
    while (const dirent* entry = ::readdir(directory)) {
        const char* name = entry->d_name;
        if (!endsWithIgnoringCase(name, suffix)) continue;
        // Files whose full path would pass the limit cannot be opened later.
        if (isRegularFile(folder, name)) names.emplace_back(name);
    }
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return true;
}

bool createFolder(const char* path) {
    if (!pathFits(path) || path[0] == '\0') return false;
    if (::mkdir(path, 0755) == 0) return true;
    return errno == EEXIST && folderExists(path);
}

bool fileExists(const char* path) {
    struct stat info;
    return pathFits(path) && ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool regularFileAt(const char* path) {
    struct stat info;
    return pathFits(path) && ::lstat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool folderExists(const char* path) {
    struct stat info;
    return pathFits(path) && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}
