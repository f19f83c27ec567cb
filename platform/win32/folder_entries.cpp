// Folder entries in listing order, through FindFirstFile.
#include "platform/folder_entries.h"

#include "platform/path_limits.h"

#include <cstring>
#include <windows.h>

bool listFolderEntries(const char* folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (!pathFits(folder)) return false;
    std::string pattern = folder[0] == '\0' ? "." : folder;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
        FolderEntry item;
        item.name = found.cFileName;
        item.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.isRegularFile = (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
        entries.push_back(std::move(item));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}
