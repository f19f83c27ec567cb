// Reading and writing action files. Every value is checked before it goes into
// the descriptor; the JSON library's exceptions stay inside this file.
#include "host/action_file.h"

#include "model/settings_table.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <vector>

namespace {
using nlohmann::json;
using nlohmann::ordered_json;

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

bool readValue(const json& entry, const ScriptedSetting& setting, const std::string& where,
               DescriptorItem& item, std::string& error) {
    const json& value = entry.at("value");
    switch (descriptorType(setting.kind)) {
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
            const DescriptorEnumTypeID expected = enumerationType(setting.kind);
            if (enumType->get<std::string>() != fourCCText(expected))
                return fail(error, where + ": \"enumType\" must be \"" + fourCCText(expected) + "\"");
            uint32_t code = 0;
            if (!value.is_string() || !fourCCFromText(value.get<std::string>(), code))
                return fail(error, where + ": \"value\" must be a four-character enumeration code");
            // An unknown code is the plug-in's to judge: it stores 0 for it.
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
    const ScriptedSetting* setting = findScriptedSettingByName(name);
    if (!setting) return fail(error, where + ": not a filter parameter");
    if (!seen.insert(name).second) return fail(error, where + ": given twice");
    for (const auto& field : entry.items()) {
        const std::string& key = field.key();
        const bool known = key == "name" || key == "type" || key == "value" ||
                           (key == "enumType" && descriptorType(setting->kind) == typeEnumerated);
        if (!known) return fail(error, where + ": unknown field \"" + key + "\"");
    }
    if (!entry.contains("type") || !entry.at("type").is_string())
        return fail(error, where + ": \"type\" must be given as text");
    const std::string typeName = entry.at("type").get<std::string>();
    const DescriptorTypeID expected = descriptorType(setting->kind);
    if (typeFromName(typeName) != expected)
        return fail(error, where + ": type \"" + typeName + "\" should be \"" + fourCCText(expected) + "\"");
    if (!entry.contains("value")) return fail(error, where + ": \"value\" is missing");
    return readValue(entry, *setting, where, item, error);
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
    const ScriptedSetting* setting = findScriptedSetting(item.key);
    if (!setting) return fail(error, "the descriptor key '" + fourCCText(item.key) + "' is not a filter parameter");
    const DescriptorTypeID expected = descriptorType(setting->kind);
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
            if (item.enumType != enumerationType(setting->kind) || !fourCCFromText(code, check))
                return fail(error, std::string("\"") + setting->name + "\" has an enumeration the file cannot hold");
            entry["enumType"] = fourCCText(item.enumType);
            entry["value"] = code;
            break;
        }
        default: break;
    }
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
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(error, "cannot open " + path);
    std::string text;
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, size_t(in.gcount()));
        if (text.size() > kActionFileMostBytes) return fail(error, path + ": the file is larger than an action file can be");
    }
    if (in.bad()) return fail(error, "cannot read " + path);
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

bool writeActionFile(const std::string& path, const ActionStep& step, std::string& error) {
    std::string text;
    if (!actionText(step, text, error)) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return fail(error, "cannot create " + path);
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    if (!out) return fail(error, "cannot write " + path);
    return true;
}
