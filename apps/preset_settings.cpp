// Presets as scripted steps.
#include "apps/preset_settings.h"

#include "model/scripting_codes.h"
#include "model/settings_table.h"
#include "settings/preset_file.h"

#include <filesystem>

Descriptor descriptorOfSettings(const UserSettings& settings) {
    Descriptor descriptor;
    for (uint8_t index : kWriterOrder) {
        const ScriptedSetting& s = kScriptedSettings[index];
        switch (s.kind) {
            case DescriptorKind::colorChannel:
                descriptor.put(integerItem(s.key, settingField<uint16_t>(settings, s) >> 8));
                break;
            case DescriptorKind::integer:
                descriptor.put(integerItem(s.key, settingField<int32_t>(settings, s)));
                break;
            case DescriptorKind::boolean:
                descriptor.put(booleanItem(s.key, (settingField<int32_t>(settings, s) & 0xFF) != 0));
                break;
            case DescriptorKind::glueMode:
            case DescriptorKind::clearAreaShape:
                descriptor.put(enumeratedItem(s.key, enumerationType(s.kind),
                                              encodeEnumeration(settingField<int32_t>(settings, s),
                                                                enumerationType(s.kind))));
                break;
            case DescriptorKind::real:
                descriptor.put(floatItem(s.key, double(settingField<float>(settings, s))));
                break;
        }
    }
    return descriptor;
}

void applyDescriptorToSettings(const Descriptor& descriptor, UserSettings& settings) {
    for (const DescriptorItem& item : descriptor.items) {
        const ScriptedSetting* s = findScriptedSetting(item.key);
        if (!s || item.type != descriptorType(s->kind)) continue;
        switch (s->kind) {
            case DescriptorKind::colorChannel:
                setSettingField(settings, *s, uint16_t(uint32_t(item.integer) * 256u));
                break;
            case DescriptorKind::integer:
                setSettingField(settings, *s, item.integer);
                break;
            case DescriptorKind::boolean:
                setSettingField(settings, *s, int32_t(item.boolean ? 1 : 0));
                break;
            case DescriptorKind::glueMode:
            case DescriptorKind::clearAreaShape:
                setSettingField(settings, *s, decodeEnumeration(enumerationType(s->kind), item.enumValue));
                break;
            case DescriptorKind::real:
                setSettingField(settings, *s, float(item.number));
                break;
        }
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
