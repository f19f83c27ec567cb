// UTF-8 and UTF-16 through MultiByteToWideChar and WideCharToMultiByte; long
// paths through GetFullPathNameW and the "\\?\" prefix.
#include "platform/wide_text.h"

#include <windows.h>

std::wstring wideText(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(units > 0 ? units : 0), L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), units);
    return wide;
}

std::string utf8Text(const wchar_t* text, size_t length) {
    if (text == nullptr) return {};
    if (length == std::wstring::npos) length = wcslen(text);
    if (length == 0) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, int(length), utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::wstring widePath(std::string_view utf8) {
    std::wstring path = wideText(utf8);
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
    // The prefix takes only absolute paths with backslashes and no "." or
    // ".." parts: GetFullPathNameW makes them so.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share
    return L"\\\\?\\" + full;
}
