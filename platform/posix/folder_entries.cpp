// Folder entries in listing order.
#include "platform/folder_entries.h"

#include "platform/path_limits.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

bool listFolderEntries(const char* folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (!pathFits(folder)) return false;
    // Closed on every way out, a refused allocation's too.
    const std::unique_ptr<DIR, int (*)(DIR*)> open(::opendir(folder), ::closedir);
    DIR* directory = open.get();
    if (!directory) return false;
    std::string base = folder;
    if (!base.empty() && base.back() != kPathSeparator) base += kPathSeparator;
    while (const dirent* entry = ::readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        FolderEntry item;
        item.name = entry->d_name;
        struct stat info;
        const bool known = ::stat((base + item.name).c_str(), &info) == 0;
        item.isFolder = known && S_ISDIR(info.st_mode);
        item.isRegularFile = known && S_ISREG(info.st_mode);
        entries.push_back(std::move(item));
    }
    return true;
}
