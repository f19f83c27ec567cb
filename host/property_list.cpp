// Property list parsing and the enable expression.
#include "host/property_list.h"

#include "host/four_char_codes.h"
#include "interface/host_interface.h"

#include <cctype>
#include <cstring>

namespace {
uint32_t read32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}
uint16_t read16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }

std::string cString(const std::vector<uint8_t>& b, size_t at, size_t length) {
    std::string text;
    for (size_t i = 0; i < length && b[at + i] != 0; ++i) text += char(b[at + i]);
    return text;
}

struct ModeName {
    const char* name;
    int16_t mode;
};
constexpr ModeName kModeNames[] = {
    {"BitmapMode", plugInModeBitmap},       {"GrayScaleMode", plugInModeGrayScale},
    {"IndexedMode", plugInModeIndexedColor}, {"RGBMode", plugInModeRGBColor},
    {"CMYKMode", plugInModeCMYKColor},      {"HSLMode", plugInModeHSLColor},
    {"HSBMode", plugInModeHSBColor},        {"MultichannelMode", plugInModeMultichannel},
    {"DuotoneMode", plugInModeDuotone},     {"LabMode", plugInModeLabColor},
    {"Gray16Mode", plugInModeGray16},       {"RGB48Mode", plugInModeRGB48},
    {"Lab48Mode", plugInModeLab48},         {"CMYK64Mode", plugInModeCMYK64},
    {"DeepMultichannelMode", plugInModeDeepMultichannel}, {"Duotone16Mode", plugInModeDuotone16},
    {"RGB96Mode", plugInModeRGB96},         {"Gray32Mode", plugInModeGray32},
};

std::string trim(const std::string& text) {
    size_t start = 0, end = text.size();
    while (start < end && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(start, end - start);
}

bool evaluateTerm(const std::string& rawTerm, int16_t imageMode, bool& value, std::string& error) {
    const std::string term = trim(rawTerm);
    if (term == "true") return value = true, true;
    if (term == "false") return value = false, true;
    if (term.rfind("in", 0) == 0) {
        const size_t open = term.find('('), close = term.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            error = "unbalanced parentheses in \"" + term + "\"";
            return false;
        }
        std::vector<std::string> items;
        std::string item;
        for (size_t i = open + 1; i < close; ++i) {
            if (term[i] == ',') {
                items.push_back(trim(item));
                item.clear();
            } else {
                item += term[i];
            }
        }
        items.push_back(trim(item));
        if (items.empty() || items[0] != "PSHOP_ImageMode") {
            error = "only PSHOP_ImageMode can be tested with \"in\"";
            return false;
        }
        value = false;
        for (size_t i = 1; i < items.size(); ++i) {
            bool known = false;
            for (const ModeName& m : kModeNames) {
                if (items[i] == m.name) {
                    known = true;
                    if (m.mode == imageMode) value = true;
                }
            }
            if (!known) {
                error = "unknown image mode \"" + items[i] + "\"";
                return false;
            }
        }
        return true;
    }
    error = "unsupported enable expression \"" + term + "\"";
    return false;
}
}  // namespace

const char* imageModeName(int16_t imageMode) {
    for (const ModeName& m : kModeNames)
        if (m.mode == imageMode) return m.name;
    return "unknown mode";
}

bool parsePropertyList(const std::vector<uint8_t>& b, PropertyList& list, std::string& error) {
    list = PropertyList{};
    if (b.size() < 10) {
        error = "property list is shorter than its header";
        return false;
    }
    if (read16(b, 0) != 1 || read32(b, 2) != 0) {
        error = "property list has an unknown version";
        return false;
    }
    const uint32_t count = read32(b, 6);
    size_t at = 10;
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 16 > b.size()) {
            error = "property list ends inside property " + std::to_string(i);
            return false;
        }
        const uint32_t key = read32(b, at + 4);
        const uint32_t length = read32(b, at + 12);
        const size_t data = at + 16;
        if (length > b.size() - data) {
            error = "property '" + fourCCText(key) + "' runs past the end of the list";
            return false;
        }
        if (key == fourCC("kind") && length >= 4) {
            list.kind = read32(b, data);
        } else if ((key == fourCC("name") || key == fourCC("catg")) && length >= 1) {
            const size_t textLength = b[data];
            if (textLength + 1 > length) {
                error = "property '" + fourCCText(key) + "' has a string longer than itself";
                return false;
            }
            std::string text(reinterpret_cast<const char*>(&b[data + 1]), textLength);
            (key == fourCC("name") ? list.name : list.category) = text;
        } else if (key == fourCC("vers") && length >= 4) {
            const uint32_t version = read32(b, data);
            list.versionMajor = uint16_t(version >> 16);
            list.versionMinor = uint16_t(version);
        } else if (key == fourCC("8664")) {
            list.entryPoint = cString(b, data, length);
        } else if (key == fourCC("hstm") && length >= 14) {
            list.hasTerminology = true;
            list.terminologyClass = read32(b, data + 4);
            list.terminologyEvent = read32(b, data + 8);
            list.terminologyId = int16_t(read16(b, data + 12));
            list.terminologyScope = cString(b, data + 14, length - 14);
        } else if (key == fourCC("mode") && length >= 2) {
            list.hasModes = true;
            list.modes[0] = b[data];
            list.modes[1] = b[data + 1];
        } else if (key == fourCC("enbl")) {
            list.enableExpression = cString(b, data, length);
        } else if (key == fourCC("fici")) {
            list.filterCaseInfo.assign(b.begin() + long(data), b.begin() + long(data + length));
        }
        at = data + ((size_t(length) + 3) & ~size_t(3));
    }
    return true;
}

bool modeBitSet(const PropertyList& list, int16_t imageMode) {
    if (imageMode < 0 || imageMode > 15) return false;
    const int byte = imageMode / 8, bit = 7 - imageMode % 8;
    return (list.modes[byte] >> bit) & 1;
}

bool evaluateEnableExpression(const std::string& expression, int16_t imageMode, bool& enabled,
                              std::string& error) {
    // "a || b && c": && binds tighter; no nested parentheses beyond "in (...)".
    enabled = false;
    size_t start = 0;
    while (true) {
        size_t orAt = expression.find("||", start);
        std::string alternative = expression.substr(start, orAt == std::string::npos ? std::string::npos : orAt - start);
        bool all = true;
        size_t termStart = 0;
        while (true) {
            size_t andAt = alternative.find("&&", termStart);
            bool value = false;
            if (!evaluateTerm(alternative.substr(termStart, andAt == std::string::npos ? std::string::npos
                                                                                        : andAt - termStart),
                              imageMode, value, error))
                return false;
            all = all && value;
            if (andAt == std::string::npos) break;
            termStart = andAt + 2;
        }
        enabled = enabled || all;
        if (orAt == std::string::npos) break;
        start = orAt + 2;
    }
    return true;
}
