// The platform's path limit and the helpers that keep every path inside it.
// The limit is the system's own, so the file service takes any path the
// system takes; the plug-in's stored records hold less (kPathBytes of the
// parameter block) and refuse longer paths where they take them.
#pragma once

#include <string>
#include <string_view>

#include <cstddef>

#ifdef _WIN32
// The wide calls take 32767 UTF-16 units with the long-path prefix; paths are
// kept in UTF-8, and this many bytes hold any path of that length in ASCII.
inline constexpr size_t kMaxPathBytes = 32768;  // including the terminating 0
#else
inline constexpr size_t kMaxPathBytes = 4096;  // the system's PATH_MAX, with the 0
#endif
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The system's folder separators: '/' on Linux; '\\' and '/' on Windows.
constexpr bool isPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// The file name without its folder (the system's separators).
inline std::string fileNameOf(std::string_view path) {
    size_t start = path.size();
    while (start > 0 && !isPathSeparator(path[start - 1])) --start;
    return std::string(path.substr(start));
}

// True when the path is not null and fits kMaxPathBytes with its 0 byte.
bool pathFits(const char* path);

// Writes folder + name into out (capacity bytes, at most kMaxPathBytes used).
// The folder is taken as it is (it carries its own trailing separator).
// Returns false, and leaves out empty, when the result would not fit.
bool joinPath(char* out, size_t capacity, const char* folder, const char* name);

// Copies text into out when it fits, else leaves out empty and returns false.
bool copyPath(char* out, size_t capacity, const char* text);
