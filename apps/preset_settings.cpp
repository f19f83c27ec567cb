// Presets as scripted steps.
#include "apps/preset_settings.h"

#include "model/scripting_codes.h"
#include "model/settings_table.h"
#include "settings/preset_file.h"

#include "apps/path_checks.h"

#include <cstdio>

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

bool isPresetVersion(int32_t version) { return version >= 1 && version <= kMostPresetVersion; }

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
    PresetReadInfo info;
    if (readPreset(path.c_str(), PresetReadMode::full, settings, nullptr, systemMemoryService(), &info) != 0) {
        error = "--preset: cannot open " + path;
        return false;
    }
    if (!isPresetVersion(info.version)) {
        error = "--preset: " + path + " is not a preset file";
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
