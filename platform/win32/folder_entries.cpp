// Folder entries in listing order, through FindFirstFileW (names in UTF-8).
#include "platform/folder_entries.h"

#include "platform/path_limits.h"
#include "platform/wide_text.h"

#include <memory>
#include <cwchar>
#include <windows.h>

bool listFolderEntries(const char* folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (!pathFits(folder)) return false;
    std::string pattern = folder[0] == '\0' ? "." : folder;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(widePath(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    // Closed on every way out, a refused allocation's too.
    const std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> open(search, FindClose);
    do {
        if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0) continue;
        FolderEntry item;
        item.name = utf8Text(found.cFileName);
        item.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.isRegularFile = (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
        entries.push_back(std::move(item));
    } while (FindNextFileW(search, &found));
    return true;
}
