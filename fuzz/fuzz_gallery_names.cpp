// libFuzzer target: the gallery page's text. Any name escaped for the page
// must be well formed and decode back to the name; the link encoding must
// decode back too; a cleaned picture name must hold only bytes every file
// system takes, keep one byte per byte, and never be a device name.
#include "export/html_text.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// The HTML 4 names of ISO-8859-1 bytes 160..255, written out here from the
// character set's table so that the page's escaping is checked against an
// independent list.
const char* const kLatin1Names[96] = {
    "nbsp",   "iexcl", "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",   "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil", "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc", "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc", "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",  "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc", "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc", "uuml",   "yacute", "thorn",  "yuml"};

// The characters a name shows: each well-formed multi-byte UTF-8 sequence is
// one character, every other byte a Latin-1 character of its own.
std::u32string charactersOf(std::string_view name) {
    std::u32string out;
    for (size_t i = 0; i < name.size();) {
        const auto at = [&](size_t k) { return static_cast<unsigned char>(name[i + k]); };
        const unsigned char lead = at(0);
        size_t count = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 1;
        char32_t value = count == 4 ? lead & 7u : count == 3 ? lead & 15u : count == 2 ? lead & 31u : lead;
        bool whole = count > 1 && i + count <= name.size();
        for (size_t k = 1; whole && k < count; ++k) {
            whole = (at(k) & 0xC0) == 0x80;
            value = (value << 6) | (at(k) & 0x3Fu);
        }
        const char32_t least = count == 4 ? 0x10000 : count == 3 ? 0x800 : 0x80;
        if (!whole || value < least || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
            out += char32_t(lead);
            ++i;
        } else {
            out += value;
            i += count;
        }
    }
    return out;
}

// Decodes the page's text into characters; traps on anything a browser could
// misread: a bare '<', '>' or '"', or an '&' that starts no known entity.
std::u32string decodeHtml(std::string_view text) {
    std::u32string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        check(c != '<' && c != '>' && c != '"');
        if (c != '&') {
            out += char32_t(static_cast<unsigned char>(c));
            continue;
        }
        const size_t end = text.find(';', i);
        check(end != std::string_view::npos);
        const std::string_view entity = text.substr(i + 1, end - i - 1);
        i = end;
        if (entity == "quot") out += U'"';
        else if (entity == "amp") out += U'&';
        else if (entity == "lt") out += U'<';
        else if (entity == "gt") out += U'>';
        else if (entity.size() >= 4 && entity.size() <= 8 && entity[0] == '#') {
            const long value = std::stol(std::string(entity.substr(1)));
            // Numbered only where no name exists: 123..159, and characters
            // past Latin-1.
            check((value >= 123 && value <= 159) || (value >= 256 && value <= 0x10FFFF));
            out += char32_t(value);
        } else {
            int found = -1;
            for (int n = 0; n < 96; ++n)
                if (entity == kLatin1Names[n]) found = n;
            check(found >= 0);
            out += char32_t(160 + found);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    check(c >= 'a' && c <= 'f');
    return c - 'a' + 10;
}

bool alphanumeric(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string decodePercent(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c != '%') {
            check(alphanumeric(c));
            out += char(c);
            continue;
        }
        check(i + 2 < text.size());
        out += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
        i += 2;
    }
    return out;
}

bool deviceName(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    for (char& c : stem) c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (stem == device) return true;
    if (stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' &&
        stem[3] <= '9')
        return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1024) return 0;
    const std::string_view name(reinterpret_cast<const char*>(data), size);

    check(decodeHtml(htmlEscaped(name)) == charactersOf(name));
    check(decodePercent(percentEncoded(name)) == name);

    const std::string cleaned = cleanPictureName(name);
    // One byte for one byte, and at most one '_' after a device name.
    check(cleaned.size() == name.size() || cleaned.size() == name.size() + 1);
    for (unsigned char c : cleaned) {
        check(c >= 32);
        check(std::strchr("/\\:<>\"|?*", c) == nullptr || c == 0);
    }
    check(!deviceName(cleaned));
    // What a page links to is the cleaned name, and it decodes back to it.
    check(decodePercent(percentEncoded(cleaned)) == cleaned);
    // The caption of a cleaned name is well formed too.
    check(decodeHtml(htmlEscaped(cleaned)) == charactersOf(cleaned));
    return 0;
}
