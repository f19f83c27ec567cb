// HTML escaping, link encoding and picture-name cleaning.
#include "export/html_text.h"

#include "platform/path_limits.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
// HTML 4 entity names of the ISO-8859-1 characters 160..255.
constexpr const char* kLatin1Entities[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

bool isAlphanumeric(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
}  // namespace

void appendHtmlEscaped(std::string& out, unsigned char byte) {
    switch (byte) {
        case '"': out += "&quot;"; return;
        case '&': out += "&amp;"; return;
        case '<': out += "&lt;"; return;
        case '>': out += "&gt;"; return;
        default: break;
    }
    if (byte >= 123 && byte <= 159) {
        char text[8];
        std::snprintf(text, sizeof text, "&#%03d;", byte);
        out += text;
    } else if (byte >= 160) {
        out += '&';
        out += kLatin1Entities[byte - 160];
        out += ';';
    } else {
        out += char(byte);
    }
}

namespace {
// The character of a well-formed UTF-8 sequence at the start of text, with
// its length in *length; 0 when the bytes are no such sequence.
uint32_t utf8Character(std::string_view text, size_t* length) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t count = 0;
    uint32_t character = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) count = 2, character = lead & 0x1Fu, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) count = 3, character = lead & 0x0Fu, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) count = 4, character = lead & 0x07u, least = 0x10000;
    else return 0;
    if (text.size() < count) return 0;
    for (size_t i = 1; i < count; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        character = (character << 6) | (byte(i) & 0x3Fu);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are no characters.
    if (character < least || (character >= 0xD800 && character <= 0xDFFF) || character > 0x10FFFF) return 0;
    *length = count;
    return character;
}
}  // namespace

std::string htmlEscaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const uint32_t character = utf8Character(text.substr(i), &length);
        if (character >= 256) {
            out += "&#" + std::to_string(character) + ";";
        } else {
            // ASCII, a Latin-1 character written in UTF-8, or a byte that
            // starts no UTF-8 sequence, taken as ISO-8859-1.
            appendHtmlEscaped(out, static_cast<unsigned char>(character != 0 ? character : uint8_t(text[i])));
        }
        i += character != 0 ? length : 1;
    }
    return out;
}

std::string percentEncoded(std::string_view name) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (isAlphanumeric(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string baseNameOf(std::string_view path) {
    std::string name = fileNameOf(path);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string cleanPictureName(std::string_view name) {
    std::string out;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 32) byte = ' ';
        if (byte & 0x80) byte = (byte & 0x7F) == 14 ? '_' : static_cast<unsigned char>((byte & 0x7F) + 32);
        // DEL and 128..159 name no character in UTF-8, the text Windows
        // paths are handed to the system in: such a name would not reach the
        // file system as written, and two of them could meet in one file.
        if (byte >= 127) byte = '_';
        if (std::strchr("/:\\<>\"|?*", byte) != nullptr) byte = '_';
        out += char(byte);
    }
    // Names that Windows keeps for its devices name no file there.
    static const char* const kDeviceNames[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                               "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                               "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    // Windows takes the name before the first dot: "con.a" is the console.
    const size_t stem = std::min(out.find('.'), out.size());
    for (const char* device : kDeviceNames) {
        if (stem != std::strlen(device)) continue;
        bool same = true;
        for (size_t i = 0; i < stem; ++i)
            same = same && std::toupper(static_cast<unsigned char>(out[i])) == device[i];
        if (same) {
            out.insert(stem, 1, '_');
            break;
        }
    }
    return out;
}
