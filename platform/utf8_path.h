// std::filesystem paths of the program's UTF-8 text, and back. On Windows the
// standard library reads narrow text in the ANSI code page, which loses every
// name outside it; on Linux a path's bytes are taken as they are.
#pragma once

#include "platform/wide_text.h"

#include <filesystem>
#include <string>
#include <string_view>

inline std::filesystem::path filesystemPath(std::string_view utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
#else
    return std::filesystem::path(utf8);
#endif
}

inline std::string utf8PathText(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
#else
    return path.string();
#endif
}

// The path to hand std::filesystem's calls on the file system (status,
// equivalent, exists): on Windows the long-path form that passes MAX_PATH.
inline std::filesystem::path systemPath(std::string_view utf8) {
#ifdef _WIN32
    return std::filesystem::path(widePath(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}
