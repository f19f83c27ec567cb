// Text of the gallery pages: HTML escaping of UTF-8 and ISO-8859-1 names, the %xx
// encoding of picture names in links, and the cleaning of picture file names.
#pragma once

#include "platform/path_limits.h"

#include <string>
#include <string_view>

// One byte as the page writes it: &quot; &amp; &lt; &gt;, "&#NNN;" for
// 123..159, the HTML 4 entity name for 160..255, otherwise the byte itself.
void appendHtmlEscaped(std::string& out, unsigned char byte);
// Names are UTF-8 where their bytes read as UTF-8 (what both systems give):
// a character past U+00FF becomes "&#N;", one below it is written as its
// ISO-8859-1 byte; other bytes are taken one by one as ISO-8859-1.
std::string htmlEscaped(std::string_view text);

// Every byte outside A-Z, a-z and 0-9 as "%" and two lower-case hex digits.
std::string percentEncoded(std::string_view name);

// The file name without its folder and its last extension.
std::string baseNameOf(std::string_view path);

// A picture name made safe for any file system, so that a page names the
// same files everywhere: bytes below 32 become a space; a byte with the high
// bit set becomes '_' when its low seven bits are 14, else those bits + 32;
// then DEL, the bytes 128..159 that gives, '/', ':', '\' and the other
// characters Windows refuses in names (< > " | ? *) become '_', and a Windows
// device name (CON, NUL, COM1, ...) before the first dot, if any, gets a '_'
// after it.
std::string cleanPictureName(std::string_view name);
