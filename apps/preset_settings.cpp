// Presets as scripted steps.
#include "apps/preset_settings.h"

#include "model/scripting_codes.h"
#include "model/settings_table.h"
#include "settings/preset_file.h"

#include "apps/path_checks.h"

#include <cstdio>

// One scripted value as the host's descriptor item, and back.
DescriptorItem itemOf(DescriptorKeyID key, const DescriptorValue& value) {
    switch (value.type) {
        case typeBoolean: return booleanItem(key, value.boolean != 0);
        case typeEnumerated: return enumeratedItem(key, value.enumType, value.enumValue);
        case typeFloat: return floatItem(key, value.number);
        default: return integerItem(key, value.integer);
    }
}

DescriptorValue valueOf(const DescriptorItem& item) {
    DescriptorValue value;
    value.type = item.type;
    value.integer = item.integer;
    value.boolean = item.boolean ? 1 : 0;
    value.enumValue = item.enumValue;
    value.number = item.number;
    return value;
}

Descriptor descriptorOfSettings(const UserSettings& settings) {
    Descriptor descriptor;
    for (uint8_t index : kWriterOrder) {
        const ScriptedSetting& setting = kScriptedSettings[index];
        descriptor.put(itemOf(setting.key, descriptorValueOf(settings, setting)));
    }
    return descriptor;
}

void applyDescriptorToSettings(const Descriptor& descriptor, UserSettings& settings) {
    for (const DescriptorItem& item : descriptor.items) {
        if (const ScriptedSetting* setting = findScriptedSetting(item.key))
            setFromDescriptorValue(settings, *setting, valueOf(item));
    }
}

bool scriptedSettingsInRange(const UserSettings& settings, std::string& problem) {
    for (const ScriptedSetting& s : kScriptedSettings) {
        double value = 0;
        switch (s.kind) {
            case DescriptorKind::colorChannel:  // any 16-bit channel travels as its high byte
            case DescriptorKind::boolean: continue;  // travels as its low byte being 0 or not
            case DescriptorKind::real: value = double(settingField<float>(settings, s)); break;
            default: value = double(settingField<int32_t>(settings, s)); break;
        }
        if (value >= s.minimum && value <= s.maximum) continue;
        char text[160];
        if (s.kind == DescriptorKind::real)
            std::snprintf(text, sizeof text, "%s %.9g is outside %g..%g", s.name, value, s.minimum, s.maximum);
        else
            std::snprintf(text, sizeof text, "%s %.0f is outside %g..%g", s.name, value, s.minimum, s.maximum);
        problem = text;
        return false;
    }
    return true;
}

bool presetDescriptor(const std::string& path, std::optional<Descriptor>& descriptor, std::string& error) {
    if (!checkInputFile(path, "--preset", error)) return false;
    UserSettings settings = defaultUserSettings();
    const int16_t read = readUserPreset(path.c_str(), settings, nullptr, systemMemoryService());
    if (read != 0) {
        error = read == kPresetNotAPreset ? "--preset: " + path + " is not a preset file" : "--preset: cannot open " + path;
        return false;
    }
    std::string problem;
    if (!scriptedSettingsInRange(settings, problem)) {
        error = "--preset: " + path + ": " + problem;
        return false;
    }
    descriptor = descriptorOfSettings(settings);
    return true;
}
