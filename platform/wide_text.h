// Text and paths between the program's UTF-8 and the wide (UTF-16) calls of
// Windows, so that every name Windows takes reaches the system whole: names
// outside the ANSI code page and paths longer than MAX_PATH.
#pragma once

#ifdef _WIN32
#include <string>
#include <string_view>

// UTF-16 of UTF-8 text; bytes that are no UTF-8 become U+FFFD.
std::wstring wideText(std::string_view utf8);
// UTF-8 of UTF-16 text (length in units, or up to the 0 when npos).
std::string utf8Text(const wchar_t* text, size_t length = std::wstring::npos);
// A path for the wide file calls: as it is while shorter than MAX_PATH;
// longer ones made absolute, with backslashes and the "\\?\" prefix, which
// lifts the limit.
std::wstring widePath(std::string_view utf8);
#endif
