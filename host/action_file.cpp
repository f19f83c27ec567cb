// Reading and writing action files. Every value is checked before it goes into
// the descriptor; the JSON library's exceptions stay inside this file.
#include "host/action_file.h"

#include "host/four_char_codes.h"
#include "platform/file_open.h"
#include "platform/whole_file.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <sstream>
#include <vector>

namespace {
using nlohmann::json;
using nlohmann::ordered_json;

// The 21 parameters an action file carries (docs/action-files.md): the
// filter's terminology names and keys, the descriptor type the filter reads
// each with, and the range of its values. The host knows the filter only
// through what it publishes, so this is the file format's own table, not the
// filter's: a value outside its range is refused before it reaches the filter.
struct ActionParameter {
    const char* name;
    DescriptorKeyID key;
    DescriptorTypeID type;
    DescriptorEnumTypeID enumType;  // enumerations only
    double minimum, maximum;        // for enumerations: the code's number
};

constexpr DescriptorEnumTypeID kGlueCodes = fourCC("GLty");
constexpr DescriptorEnumTypeID kShapeCodes = fourCC("MLty");

constexpr ActionParameter kActionParameters[] = {
    {"vignette red", fourCC("0001"), typeInteger, 0, 0, 255},
    {"vignette green", fourCC("0002"), typeInteger, 0, 0, 255},
    {"vignette blue", fourCC("0003"), typeInteger, 0, 0, 255},
    {"sepia red", fourCC("0004"), typeInteger, 0, 0, 255},
    {"sepia green", fourCC("0005"), typeInteger, 0, 0, 255},
    {"sepia blue", fourCC("0006"), typeInteger, 0, 0, 255},
    {"focus", fourCC("0007"), typeInteger, 0, 0, 100},
    {"vignette", fourCC("0008"), typeInteger, 0, 0, 100},
    {"dampen", fourCC("0009"), typeInteger, 0, 0, 100},
    {"sepia", fourCC("0010"), typeInteger, 0, 0, 100},
    {"color blur", fourCC("0011"), typeInteger, 0, 0, 100},
    {"CB width", fourCC("0012"), typeInteger, 0, 0, 100},
    {"saturation", fourCC("0013"), typeInteger, 0, -100, 100},
    {"uniform sepia", fourCC("0014"), typeBoolean, 0, 0, 1},
    {"glue", fourCC("GLUE"), typeEnumerated, kGlueCodes, 1, 62},
    {"center vignette", fourCC("0016"), typeBoolean, 0, 0, 1},
    {"clear area", fourCC("0017"), typeInteger, 0, 0, 100},
    {"shape", fourCC("MLky"), typeEnumerated, kShapeCodes, 1, 3},
    {"X center", fourCC("0019"), typeFloat, 0, 0, 1},
    {"Y center", fourCC("0020"), typeFloat, 0, 0, 1},
    {"high quality", fourCC("0021"), typeBoolean, 0, 0, 1},
};

const ActionParameter* parameterNamed(const std::string& name) {
    for (const ActionParameter& p : kActionParameters)
        if (name == p.name) return &p;
    return nullptr;
}

const ActionParameter* parameterWithKey(DescriptorKeyID key) {
    for (const ActionParameter& p : kActionParameters)
        if (p.key == key) return &p;
    return nullptr;
}

std::string rangeText(const ActionParameter& p) {
    auto number = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return std::string(text);
    };
    return number(p.minimum) + ".." + number(p.maximum);
}

// The number of an enumeration code: 'GL07' is 7 for glue; -1 for a code
// of another form.
int enumerationNumber(const ActionParameter& p, uint32_t code) {
    const char first = char(p.enumType >> 24), second = char(p.enumType >> 16);
    const char c[4] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    if (c[0] != first || c[1] != second || c[2] < '0' || c[2] > '9' || c[3] < '0' || c[3] > '9') return -1;
    return (c[2] - '0') * 10 + (c[3] - '0');
}

// The range check of one value, the same for reading and writing.
bool valueInRange(const ActionParameter& p, const DescriptorItem& item, std::string& problem) {
    switch (p.type) {
        case typeInteger:
            if (item.integer >= p.minimum && item.integer <= p.maximum) return true;
            problem = std::to_string(item.integer) + " is outside " + rangeText(p);
            return false;
        case typeFloat:
            if (item.number >= p.minimum && item.number <= p.maximum) return true;
            problem = json(item.number).dump() + " is outside " + rangeText(p);
            return false;
        case typeEnumerated: {
            const int n = enumerationNumber(p, item.enumValue);
            if (n >= p.minimum && n <= p.maximum) return true;
            char first[3] = {char(p.enumType >> 24), char(p.enumType >> 16), 0};
            char low[8], high[8];
            std::snprintf(low, sizeof low, "%s%02d", first, int(p.minimum));
            std::snprintf(high, sizeof high, "%s%02d", first, int(p.maximum));
            problem = "\"" + fourCCText(item.enumValue) + "\" is not one of \"" + low + "\"..\"" + high + "\"";
            return false;
        }
        default: return true;
    }
}

// Deeper nesting than the format has is refused; it can only be hostile.
constexpr int kMostDepth = 8;

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

std::string parameterWhere(size_t index, const std::string& name) {
    std::string where = "parameter " + std::to_string(index + 1);
    if (!name.empty()) where += " (\"" + name + "\")";
    return where;
}

// Keeps one set of keys per open object, to catch a key given twice.
struct DuplicateKeyCheck {
    std::vector<std::set<std::string>> open;
    std::string problem;

    bool operator()(int depth, json::parse_event_t event, json& parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
                open.emplace_back();
                break;
            case json::parse_event_t::object_end:
                if (!open.empty()) open.pop_back();
                break;
            case json::parse_event_t::key:
                if (!open.empty() && parsed.is_string() && !open.back().insert(parsed.get<std::string>()).second &&
                    problem.empty())
                    problem = "the key \"" + parsed.get<std::string>() + "\" is given twice";
                break;
            default: break;
        }
        if (depth > kMostDepth && problem.empty()) problem = "the file is nested too deeply";
        return true;
    }
};

DescriptorTypeID typeFromName(const std::string& name) {
    if (name == "long") return typeInteger;
    if (name == "bool") return typeBoolean;
    if (name == "doub") return typeFloat;
    if (name == "enum") return typeEnumerated;
    return 0;
}

bool readValue(const json& entry, const ActionParameter& setting, const std::string& where,
               DescriptorItem& item, std::string& error) {
    const json& value = entry.at("value");
    switch (setting.type) {
        case typeInteger: {
            if (!value.is_number_integer())
                return fail(error, where + ": \"value\" must be a whole number");
            const bool fits = value.is_number_unsigned()
                                  ? value.get<uint64_t>() <= uint64_t(std::numeric_limits<int32_t>::max())
                                  : value.get<int64_t>() >= std::numeric_limits<int32_t>::min() &&
                                        value.get<int64_t>() <= std::numeric_limits<int32_t>::max();
            if (!fits) return fail(error, where + ": " + value.dump() + " is outside the 32-bit integer range");
            item = integerItem(setting.key, int32_t(value.get<int64_t>()));
            return true;
        }
        case typeBoolean:
            if (!value.is_boolean()) return fail(error, where + ": \"value\" must be true or false");
            item = booleanItem(setting.key, value.get<bool>());
            return true;
        case typeFloat: {
            if (!value.is_number()) return fail(error, where + ": \"value\" must be a number");
            const double number = value.get<double>();
            if (!std::isfinite(number)) return fail(error, where + ": \"value\" is not a finite number");
            item = floatItem(setting.key, number);
            return true;
        }
        case typeEnumerated: {
            const json* enumType = entry.contains("enumType") ? &entry.at("enumType") : nullptr;
            if (!enumType || !enumType->is_string())
                return fail(error, where + ": \"enumType\" must be given as a four-character code");
            const DescriptorEnumTypeID expected = setting.enumType;
            if (enumType->get<std::string>() != fourCCText(expected))
                return fail(error, where + ": \"enumType\" must be \"" + fourCCText(expected) + "\"");
            uint32_t code = 0;
            if (!value.is_string() || !fourCCFromText(value.get<std::string>(), code))
                return fail(error, where + ": \"value\" must be a four-character enumeration code");
            item = enumeratedItem(setting.key, expected, code);
            return true;
        }
        default: return fail(error, where + ": unsupported type");
    }
}

bool readParameter(const json& entry, size_t index, std::set<std::string>& seen, DescriptorItem& item,
                   std::string& error) {
    std::string where = parameterWhere(index, "");
    if (!entry.is_object()) return fail(error, where + " must be an object");
    if (!entry.contains("name") || !entry.at("name").is_string())
        return fail(error, where + ": \"name\" must be given as text");
    const std::string name = entry.at("name").get<std::string>();
    where = parameterWhere(index, name);
    const ActionParameter* setting = parameterNamed(name);
    if (!setting) return fail(error, where + ": not a filter parameter");
    if (!seen.insert(name).second) return fail(error, where + ": given twice");
    for (const auto& field : entry.items()) {
        const std::string& key = field.key();
        const bool known = key == "name" || key == "type" || key == "value" ||
                           (key == "enumType" && setting->type == typeEnumerated);
        if (!known) return fail(error, where + ": unknown field \"" + key + "\"");
    }
    if (!entry.contains("type") || !entry.at("type").is_string())
        return fail(error, where + ": \"type\" must be given as text");
    const std::string typeName = entry.at("type").get<std::string>();
    const DescriptorTypeID expected = setting->type;
    if (typeFromName(typeName) != expected)
        return fail(error, where + ": type \"" + typeName + "\" should be \"" + fourCCText(expected) + "\"");
    if (!entry.contains("value")) return fail(error, where + ": \"value\" is missing");
    if (!readValue(entry, *setting, where, item, error)) return false;
    std::string problem;
    if (!valueInRange(*setting, item, problem)) return fail(error, where + ": " + problem);
    return true;
}

bool readStep(const json& root, ActionStep& step, std::string& error) {
    if (!root.is_object()) return fail(error, "the file must hold one JSON object");
    for (const auto& field : root.items()) {
        const std::string& key = field.key();
        if (key != "format" && key != "version" && key != "playMode" && key != "parameters")
            return fail(error, "unknown field \"" + key + "\"");
    }
    if (!root.contains("format") || root.at("format") != kActionFileFormat)
        return fail(error, std::string("\"format\" must be \"") + kActionFileFormat + "\"");
    if (!root.contains("version") || !root.at("version").is_number_integer() ||
        root.at("version").get<int64_t>() != kActionFileVersion)
        return fail(error, "\"version\" must be " + std::to_string(kActionFileVersion));
    ActionStep parsed;
    if (root.contains("playMode")) {
        const json& mode = root.at("playMode");
        if (!mode.is_number_integer() || mode.get<int64_t>() < 0 || mode.get<int64_t>() > 2)
            return fail(error, "\"playMode\" must be 0, 1 or 2");
        parsed.playMode = int16_t(mode.get<int64_t>());
    }
    if (!root.contains("parameters") || !root.at("parameters").is_array())
        return fail(error, "\"parameters\" must be a list");
    const json& parameters = root.at("parameters");
    std::set<std::string> seen;
    for (size_t i = 0; i < parameters.size(); ++i) {
        DescriptorItem item;
        if (!readParameter(parameters.at(i), i, seen, item, error)) return false;
        parsed.descriptor.items.push_back(item);
    }
    step = std::move(parsed);
    return true;
}

bool writeParameter(const DescriptorItem& item, ordered_json& entry, std::string& error) {
    const ActionParameter* setting = parameterWithKey(item.key);
    if (!setting) return fail(error, "the descriptor key '" + fourCCText(item.key) + "' is not a filter parameter");
    const DescriptorTypeID expected = setting->type;
    if (item.type != expected)
        return fail(error, std::string("\"") + setting->name + "\" has type '" + fourCCText(item.type) +
                               "', not '" + fourCCText(expected) + "'");
    entry["name"] = setting->name;
    entry["type"] = fourCCText(expected);
    switch (expected) {
        case typeInteger: entry["value"] = item.integer; break;
        case typeBoolean: entry["value"] = item.boolean != 0; break;
        case typeFloat:
            if (!std::isfinite(item.number))
                return fail(error, std::string("\"") + setting->name + "\" is not a finite number");
            entry["value"] = item.number;
            break;
        case typeEnumerated: {
            uint32_t check = 0;
            const std::string code = fourCCText(item.enumValue);
            if (item.enumType != setting->enumType || !fourCCFromText(code, check))
                return fail(error, std::string("\"") + setting->name + "\" has an enumeration the file cannot hold");
            entry["enumType"] = fourCCText(item.enumType);
            entry["value"] = code;
            break;
        }
        default: break;
    }
    std::string problem;
    if (!valueInRange(*setting, item, problem))
        return fail(error, std::string("\"") + setting->name + "\": " + problem);
    return true;
}
}  // namespace

bool parseActionText(std::string_view text, ActionStep& step, std::string& error) {
    if (text.size() > kActionFileMostBytes) return fail(error, "the file is larger than an action file can be");
    try {
        DuplicateKeyCheck check;
        json root = json::parse(text.begin(), text.end(), std::ref(check));
        if (!check.problem.empty()) return fail(error, check.problem);
        return readStep(root, step, error);
    } catch (const json::parse_error& e) {
        return fail(error, "not valid JSON at byte " + std::to_string(e.byte));
    } catch (const json::out_of_range&) {
        return fail(error, "a number is too large");
    } catch (const std::exception& e) {
        return fail(error, std::string("unreadable: ") + e.what());
    }
}

bool readActionFile(const std::string& path, ActionStep& step, std::string& error) {
    // Through the platform's file service: any name the system takes, and
    // only a regular file (a FIFO would make the read wait).
    std::FILE* in = openFileForReading(path.c_str(), nullptr);
    if (!in) return fail(error, "cannot open " + path);
    std::string text;
    char buffer[8192];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        text.append(buffer, got);
        if (text.size() > kActionFileMostBytes) break;
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (text.size() > kActionFileMostBytes) return fail(error, path + ": the file is larger than an action file can be");
    if (failed) return fail(error, "cannot read " + path);
    if (!parseActionText(text, step, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool actionText(const ActionStep& step, std::string& text, std::string& error) {
    if (step.playMode < 0 || step.playMode > 2) return fail(error, "the play mode must be 0, 1 or 2");
    try {
        ordered_json root;
        root["format"] = kActionFileFormat;
        root["version"] = kActionFileVersion;
        root["playMode"] = step.playMode;
        root["parameters"] = ordered_json::array();
        for (const DescriptorItem& item : step.descriptor.items) {
            ordered_json entry;
            if (!writeParameter(item, entry, error)) return false;
            root["parameters"].push_back(std::move(entry));
        }
        text = root.dump(2) + "\n";
        return true;
    } catch (const std::exception& e) {
        return fail(error, std::string("cannot write the step: ") + e.what());
    }
}

bool writeActionFile(const std::string& path, const ActionStep& step, bool overwrite, std::string& error) {
    std::string text;
    if (!actionText(step, text, error)) return fail(error, "cannot write " + path + ": " + error);
    return writeWholeFile(path, text.data(), text.size(), overwrite, error);
}
