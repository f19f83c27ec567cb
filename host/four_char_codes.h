// Four-character codes as text, for messages, listings and action files.
#pragma once

#include <cstdint>
#include <string>

// The four characters of a code, first character from the top byte.
std::string fourCCText(uint32_t code);
// The code of exactly four printable characters; false otherwise.
bool fourCCFromText(const std::string& text, uint32_t& code);
