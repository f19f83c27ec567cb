// Presets as scripted steps.
#include "apps/preset_settings.h"

#include "model/scripting_codes.h"
#include "model/settings_table.h"
#include "settings/preset_file.h"

#include <filesystem>

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

bool presetDescriptor(const std::string& path, std::optional<Descriptor>& descriptor, std::string& error) {
    if (!std::filesystem::is_regular_file(path)) {
        error = "--preset: " + path + " is not a readable file";
        return false;
    }
    UserSettings settings = defaultUserSettings();
    PresetReadInfo info;
    if (readPreset(path.c_str(), PresetReadMode::full, settings, nullptr, systemMemoryService(), &info) != 0) {
        error = "--preset: cannot open " + path;
        return false;
    }
    descriptor = descriptorOfSettings(settings);
    return true;
}
