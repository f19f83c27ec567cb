// The platform's path limit and the helpers that keep every path inside it:
// paths are zero-terminated 8-bit strings of at most 260 bytes.
#pragma once

#include <cstddef>

inline constexpr size_t kMaxPathBytes = 260;  // including the terminating 0
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True when the path is not null and fits kMaxPathBytes with its 0 byte.
bool pathFits(const char* path);

// Writes folder + name into out (capacity bytes, at most kMaxPathBytes used).
// The folder is taken as it is (it carries its own trailing separator).
// Returns false, and leaves out empty, when the result would not fit.
bool joinPath(char* out, size_t capacity, const char* folder, const char* name);

// Copies text into out when it fits, else leaves out empty and returns false.
bool copyPath(char* out, size_t capacity, const char* text);
