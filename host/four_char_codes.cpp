// Four-character codes as text.
#include "host/four_char_codes.h"

std::string fourCCText(uint32_t code) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) text[size_t(i)] = char(uint8_t(code >> (24 - 8 * i)));
    return text;
}

bool fourCCFromText(const std::string& text, uint32_t& code) {
    if (text.size() != 4) return false;
    uint32_t value = 0;
    for (char c : text) {
        const auto byte = uint8_t(c);
        if (byte < 0x20 || byte > 0x7E) return false;
        value = (value << 8) | byte;
    }
    code = value;
    return true;
}
