// Folder listing and creation on Windows folders.
#include "platform/folder_listing.h"

#include "platform/path_limits.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

namespace {
bool endsWithIgnoringCase(const char* name, const char* suffix) {
    const size_t nameLength = std::strlen(name);
    const size_t suffixLength = std::strlen(suffix);
    return nameLength >= suffixLength && _stricmp(name + nameLength - suffixLength, suffix) == 0;
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const int order = _stricmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
}

bool hasSeparatorAtEnd(const char* folder) {
    const size_t length = std::strlen(folder);
    return length > 0 && (folder[length - 1] == '\\' || folder[length - 1] == '/');
}

DWORD attributesOf(const char* path) {
    return pathFits(path) ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
}
}  // namespace

bool listFilesWithSuffix(const char* folder, const char* suffix, std::vector<std::string>& names) {
    names.clear();
    if (!pathFits(folder) || suffix == nullptr) return false;
    char folderWithSeparator[kMaxPathBytes];
    char pattern[kMaxPathBytes];
    const char* base = folder[0] == '\0' ? ".\\" : folder;
    if (!joinPath(folderWithSeparator, sizeof folderWithSeparator, base, hasSeparatorAtEnd(base) ? "" : "\\"))
        return false;
    if (!joinPath(pattern, sizeof pattern, folderWithSeparator, "*")) return false;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!endsWithIgnoringCase(entry.cFileName, suffix)) continue;
        // Files whose full path would pass the limit cannot be opened later.
        char path[kMaxPathBytes];
        if (joinPath(path, sizeof path, folderWithSeparator, entry.cFileName)) names.emplace_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return true;
}

bool createFolder(const char* path) {
    if (!pathFits(path) || path[0] == '\0') return false;
    if (CreateDirectoryA(path, nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && folderExists(path);
}

bool fileExists(const char* path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const char* path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
