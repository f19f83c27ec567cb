// The one pair of conversions between the scripted settings and descriptor values.
#include "model/settings_table.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/scripting_codes.h"

DescriptorValue descriptorValueOf(const UserSettings& settings, const ScriptedSetting& setting) {
    DescriptorValue value;
    value.type = descriptorType(setting.kind);
    switch (setting.kind) {
        case DescriptorKind::colorChannel: value.integer = settingField<uint16_t>(settings, setting) >> 8; break;
        case DescriptorKind::integer: value.integer = settingField<int32_t>(settings, setting); break;
        case DescriptorKind::boolean: value.boolean = uint8_t(settingField<int32_t>(settings, setting)); break;
        case DescriptorKind::glueMode:
        case DescriptorKind::clearAreaShape:
            value.enumType = enumerationType(setting.kind);
            value.enumValue = encodeEnumeration(settingField<int32_t>(settings, setting), value.enumType);
            break;
        case DescriptorKind::real: value.number = double(settingField<float>(settings, setting)); break;
    }
    return value;
}

bool setFromDescriptorValue(UserSettings& settings, const ScriptedSetting& setting, const DescriptorValue& value) {
    if (value.type != descriptorType(setting.kind)) return false;
    switch (setting.kind) {
        case DescriptorKind::colorChannel:
            setSettingField(settings, setting, uint16_t(uint32_t(value.integer) * 256u));
            break;
        case DescriptorKind::integer: setSettingField(settings, setting, value.integer); break;
        case DescriptorKind::boolean: setSettingField(settings, setting, int32_t(value.boolean != 0 ? 1 : 0)); break;
        case DescriptorKind::glueMode:
        case DescriptorKind::clearAreaShape:
            setSettingField(settings, setting, decodeEnumeration(enumerationType(setting.kind), value.enumValue));
            break;
        case DescriptorKind::real:
            // NaN, an infinity or a number beyond float's range is no position
            // or amount: it would reach the per-pixel maths as NaN.
            if (!(std::fabs(value.number) <= double(std::numeric_limits<float>::max()))) return false;
            setSettingField(settings, setting, float(value.number));
            break;
    }
    return true;
}

double scriptedValue(const UserSettings& settings, const ScriptedSetting& setting) {
    switch (setting.kind) {
        case DescriptorKind::colorChannel: return double(settingField<uint16_t>(settings, setting) >> 8);
        case DescriptorKind::boolean: return uint8_t(settingField<int32_t>(settings, setting)) != 0 ? 1.0 : 0.0;
        case DescriptorKind::real: return double(settingField<float>(settings, setting));
        default: return double(settingField<int32_t>(settings, setting));
    }
}

double fieldValue(const UserSettings& settings, const ScriptedSetting& setting) {
    switch (setting.kind) {
        case DescriptorKind::colorChannel: return double(settingField<uint16_t>(settings, setting));
        case DescriptorKind::real: return double(settingField<float>(settings, setting));
        default: return double(settingField<int32_t>(settings, setting));
    }
}

void setFieldValue(UserSettings& settings, const ScriptedSetting& setting, double value) {
    switch (setting.kind) {
        case DescriptorKind::colorChannel: setSettingField(settings, setting, uint16_t(value)); break;
        case DescriptorKind::real: setSettingField(settings, setting, float(value)); break;
        default: setSettingField(settings, setting, int32_t(value)); break;
    }
}

void applyScriptedDefaults(UserSettings& settings) {
    for (const ScriptedSetting& setting : kScriptedSettings) setFieldValue(settings, setting, setting.defaultValue);
}

void limitToRanges(UserSettings& settings) {
    for (const ScriptedSetting& setting : kScriptedSettings) {
        switch (setting.kind) {
            case DescriptorKind::colorChannel: break;
            case DescriptorKind::boolean:
                setSettingField(settings, setting, int32_t(settingField<int32_t>(settings, setting) != 0 ? 1 : 0));
                break;
            case DescriptorKind::real: {
                const float value = settingField<float>(settings, setting);
                const float limited = value != value ? float(setting.defaultValue)
                                                     : std::clamp(value, float(setting.minimum), float(setting.maximum));
                setSettingField(settings, setting, limited);
                break;
            }
            default:
                setSettingField(settings, setting,
                                std::clamp(settingField<int32_t>(settings, setting), int32_t(setting.minimum),
                                           int32_t(setting.maximum)));
                break;
        }
    }
}
