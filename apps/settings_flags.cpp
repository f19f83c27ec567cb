// Settings flags, made from the table of scripted settings.
#include "apps/settings_flags.h"

#include "model/scripting_codes.h"
#include "model/settings_table.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace {
constexpr const char* kVignetteColorFlag = "--vignette-color";
constexpr const char* kSepiaColorFlag = "--sepia-color";

// Glue modes the terminology has no entry for, or names differently.
struct ExtraGlueName {
    const char* name;
    int32_t mode;
};
constexpr std::array<ExtraGlueName, 3> kExtraGlueNames = {{{"hard diff", 26}, {"anterior", 60}, {"posterior", 61}}};

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string numberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

std::string rangeText(const ScriptedSetting& setting) {
    return numberText(setting.minimum) + ".." + numberText(setting.maximum);
}

std::string lowered(const std::string& text) {
    std::string result = text;
    for (char& c : result) c = char(std::tolower(uint8_t(c)));
    return result;
}

// "hard light" also answers to "hard-light".
bool sameName(const std::string& given, const std::string& name) {
    const std::string a = lowered(given);
    if (a == name) return true;
    std::string hyphenated = name;
    for (char& c : hyphenated) {
        if (c == ' ') c = '-';
    }
    return a == hyphenated;
}

std::optional<int64_t> wholeNumber(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value);
    if (text.empty() || problem == std::errc::invalid_argument || stop != end) return std::nullopt;
    // Too large for 64 bits is still a number, just far out of range.
    if (problem == std::errc::result_out_of_range) value = text[0] == '-' ? INT64_MIN : INT64_MAX;
    return value;
}

bool integerInRange(const std::string& flag, const std::string& text, double minimum, double maximum,
                    int32_t& value, std::string& error) {
    const std::optional<int64_t> number = wholeNumber(text);
    if (!number) return fail(error, flag + ": " + quoted(text) + " is not a whole number");
    if (double(*number) < minimum || double(*number) > maximum)
        return fail(error, flag + ": " + text + " is outside " + numberText(minimum) + ".." + numberText(maximum));
    value = int32_t(*number);
    return true;
}

bool parseReal(const std::string& flag, const std::string& text, const ScriptedSetting& setting, double& value,
               std::string& error) {
    double number = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, number);
    if (text.empty() || stop != end || problem == std::errc::invalid_argument || std::isnan(number))
        return fail(error, flag + ": " + quoted(text) + " is not a number");
    if (problem == std::errc::result_out_of_range || !std::isfinite(number) || number < setting.minimum ||
        number > setting.maximum)
        return fail(error, flag + ": " + text + " is outside " + rangeText(setting));
    value = number;
    return true;
}

bool parseSwitch(const std::string& flag, const std::optional<std::string>& text, bool& on, std::string& error) {
    if (!text) {
        on = true;
        return true;
    }
    const std::string value = lowered(*text);
    if (value == "on" || value == "1") {
        on = true;
        return true;
    }
    if (value == "off" || value == "0") {
        on = false;
        return true;
    }
    return fail(error, flag + ": " + quoted(*text) + " is not on, off, 1 or 0");
}

bool parseGlue(const std::string& flag, const std::string& text, int32_t& mode, std::string& error) {
    if (wholeNumber(text)) return integerInRange(flag, text, 1, kGlueModeCount, mode, error);
    // The terminology's names, and the dialog's where they differ ("hard diff",
    // and the two modes the terminology does not list).
    for (const GlueMode& entry : kGlueModes) {
        if (sameName(text, entry.name) || (entry.terminologyName && sameName(text, entry.terminologyName))) {
            mode = entry.number;
            return true;
        }
    }
    return fail(error, flag + ": " + quoted(text) + " is not a glue mode (1..62 or a mode name)");
}

bool parseShape(const std::string& flag, const std::string& text, int32_t& shape, std::string& error) {
    if (wholeNumber(text)) return integerInRange(flag, text, 1, kShapeCount, shape, error);
    for (const EnumerationEntry& entry : kShapeEntries) {
        if (sameName(text, entry.name)) {
            shape = decodeEnumeration(kShapeEnumType, entry.code);
            return true;
        }
    }
    return fail(error, flag + ": " + quoted(text) + " is not a shape (round, wide or tall)");
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "R,G,B" or "#rrggbb", each channel 0..255.
bool parseColor(const std::string& flag, const std::string& text, std::array<int32_t, 3>& channels,
                std::string& error) {
    const std::string notAColor = flag + ": " + quoted(text) + " is not a colour (R,G,B or #rrggbb)";
    if (!text.empty() && text[0] == '#') {
        if (text.size() != 7) return fail(error, notAColor);
        for (size_t i = 0; i < 3; ++i) {
            const int high = hexDigit(text[1 + 2 * i]), low = hexDigit(text[2 + 2 * i]);
            if (high < 0 || low < 0) return fail(error, notAColor);
            channels[i] = high * 16 + low;
        }
        return true;
    }
    size_t start = 0;
    for (size_t i = 0; i < 3; ++i) {
        const size_t comma = text.find(',', start);
        if ((i < 2) != (comma != std::string::npos)) return fail(error, notAColor);
        const std::string part = text.substr(start, i < 2 ? comma - start : std::string::npos);
        if (!wholeNumber(part)) return fail(error, notAColor);
        if (!integerInRange(flag, part, 0, 255, channels[i], error)) return false;
        start = comma + 1;
    }
    return true;
}

const ScriptedSetting& settingAt(size_t index) { return kScriptedSettings[index]; }

// Puts one setting's value from text into the descriptor.
bool applySetting(const ScriptedSetting& setting, const std::string& flag, const std::string& text,
                  Descriptor& descriptor, std::string& error) {
    switch (setting.kind) {
        case DescriptorKind::colorChannel:
        case DescriptorKind::integer: {
            int32_t value = 0;
            if (!integerInRange(flag, text, setting.minimum, setting.maximum, value, error)) return false;
            descriptor.put(integerItem(setting.key, value));
            return true;
        }
        case DescriptorKind::glueMode: {
            int32_t mode = 0;
            if (!parseGlue(flag, text, mode, error)) return false;
            descriptor.put(enumeratedItem(setting.key, kGlueEnumType, encodeEnumeration(mode, kGlueEnumType)));
            return true;
        }
        case DescriptorKind::clearAreaShape: {
            int32_t shape = 0;
            if (!parseShape(flag, text, shape, error)) return false;
            descriptor.put(enumeratedItem(setting.key, kShapeEnumType, encodeEnumeration(shape, kShapeEnumType)));
            return true;
        }
        case DescriptorKind::real: {
            double value = 0.0;
            if (!parseReal(flag, text, setting, value, error)) return false;
            descriptor.put(floatItem(setting.key, value));
            return true;
        }
        case DescriptorKind::boolean: break;  // switches are handled apart
    }
    return fail(error, flag + ": cannot take a value");
}

// The three channel settings of a colour flag, as indices into the table.
std::optional<size_t> colorFlagFirstChannel(const std::string& name) {
    if (name == kVignetteColorFlag) return 0;
    if (name == kSepiaColorFlag) return 3;
    return std::nullopt;
}
}  // namespace

bool parseSettingsFlags(const std::vector<std::string>& arguments, SettingsFlags& flags, std::string& error) {
    SettingsFlags parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            parsed.rest.insert(parsed.rest.end(), arguments.begin() + std::ptrdiff_t(i), arguments.end());
            break;
        }
        if (argument.rfind("--", 0) != 0) {
            parsed.rest.push_back(argument);
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> inlineValue;
        if (equals != std::string::npos) inlineValue = argument.substr(equals + 1);

        const ScriptedSetting* setting = nullptr;
        for (const ScriptedSetting& candidate : kScriptedSettings) {
            if (name == candidate.flag) setting = &candidate;
        }
        const std::optional<size_t> colorChannel = colorFlagFirstChannel(name);
        if (!setting && !colorChannel) {
            parsed.rest.push_back(argument);
            continue;
        }
        if (setting && setting->kind == DescriptorKind::boolean) {
            bool on = false;
            if (!parseSwitch(name, inlineValue, on, error)) return false;
            parsed.descriptor.put(booleanItem(setting->key, on));
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return fail(error, name + " needs a value");
        }
        if (colorChannel) {
            std::array<int32_t, 3> channels{};
            if (!parseColor(name, value, channels, error)) return false;
            for (size_t c = 0; c < 3; ++c)
                parsed.descriptor.put(integerItem(settingAt(*colorChannel + c).key, channels[c]));
            continue;
        }
        if (!applySetting(*setting, name, value, parsed.descriptor, error)) return false;
    }
    flags = std::move(parsed);
    error.clear();
    return true;
}

std::string settingsFlagsHelp() {
    std::string help = "Settings (each within the dialog's range; unset ones take their defaults):\n";
    auto line = [&help](const std::string& usage, const std::string& meaning) {
        std::string text = "  " + usage;
        if (text.size() < 36) text.resize(36, ' ');
        else text += ' ';
        help += text + meaning + "\n";
    };
    line(std::string(kVignetteColorFlag) + " R,G,B|#rrggbb", "vignette colour, 0..255 per channel");
    line(std::string(kSepiaColorFlag) + " R,G,B|#rrggbb", "sepia colour, 0..255 per channel");
    for (const ScriptedSetting& setting : kScriptedSettings) {
        const std::string flag = setting.flag;
        switch (setting.kind) {
            case DescriptorKind::colorChannel:
            case DescriptorKind::integer: line(flag + " N", std::string(setting.name) + ", " + rangeText(setting)); break;
            case DescriptorKind::real: line(flag + " X", std::string(setting.name) + ", " + rangeText(setting)); break;
            case DescriptorKind::boolean: line(flag + "[=on|off|1|0]", setting.name); break;
            case DescriptorKind::glueMode: line(flag + " MODE", "glue mode, 1..62 or its name"); break;
            case DescriptorKind::clearAreaShape: line(flag + " round|wide|tall", "shape of the clear area"); break;
        }
    }
    // The names, wrapped to the width of a terminal.
    std::string row = "Glue mode names:";
    auto addWord = [&](const std::string& word) {
        if (row.size() + 1 + word.size() > 78) {
            help += row + "\n";
            row = " ";
        }
        row += " " + word;
    };
    std::vector<const char*> listed;
    for (const GlueMode& entry : kGlueModes)
        if (entry.terminologyName) listed.push_back(entry.terminologyName);
    for (size_t i = 0; i < listed.size(); ++i)
        addWord(std::string(listed[i]) + (i + 1 < listed.size() ? "," : ";"));
    for (const char* word : {"also", "hard", "diff", "(26),", "anterior", "(60),", "posterior", "(61)."}) addWord(word);
    help += row + "\n";
    return help;
}
