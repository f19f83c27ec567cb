// Folder listing and creation on Windows folders, through the wide calls.
#include "platform/folder_listing.h"

#include "platform/path_limits.h"
#include "platform/wide_text.h"

#include <memory>
#include <algorithm>
#include <cstring>
#include <windows.h>

namespace {
bool endsWithIgnoringCase(const std::string& name, const char* suffix) {
    const size_t suffixLength = std::strlen(suffix);
    return name.size() >= suffixLength && _stricmp(name.c_str() + name.size() - suffixLength, suffix) == 0;
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const int order = _stricmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
}

bool hasSeparatorAtEnd(const std::string& folder) {
    return !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
}

DWORD attributesOf(const char* path) {
    return pathFits(path) ? GetFileAttributesW(widePath(path).c_str()) : INVALID_FILE_ATTRIBUTES;
}
}  // namespace

bool listFilesWithSuffix(const char* folder, const char* suffix, std::vector<std::string>& names) {
    names.clear();
    if (!pathFits(folder) || suffix == nullptr) return false;
    std::string base = folder[0] == '\0' ? ".\\" : folder;
    if (!hasSeparatorAtEnd(base)) base += '\\';
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(widePath(base + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    // Closed on every way out, a refused allocation's too.
    const std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> open(search, FindClose);
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string name = utf8Text(entry.cFileName);
        if (!endsWithIgnoringCase(name, suffix)) continue;
        // Files whose full path would pass the limit cannot be opened later.
        if (base.size() + name.size() < kMaxPathBytes) names.push_back(std::move(name));
    } while (FindNextFileW(search, &entry));
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return true;
}

bool createFolder(const char* path) {
    if (!pathFits(path) || path[0] == '\0') return false;
    if (CreateDirectoryW(widePath(path).c_str(), nullptr)) return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && folderExists(path);
}

bool fileExists(const char* path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool regularFileAt(const char* path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool folderExists(const char* path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
