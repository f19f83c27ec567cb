// The 21 scripted settings, declared once: terminology name, descriptor key and
// types, the field of the user settings, the dialog's range, the command-line
// flag, the default, and the dialog's control and label. The descriptor reader
// and writer, the terminology resource, Reset and the command-line flags are
// all made from this table, through the one pair of value conversions below.
#pragma once

#include "interface/host_interface.h"
#include "model/parameters.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// How a setting travels in a descriptor.
enum class DescriptorKind : uint8_t {
    colorChannel,    // integer 0..255, the high byte of a 16-bit colour channel
    integer,         // integer, the field as it is
    boolean,         // boolean, a 32-bit flag field (its low byte)
    glueMode,        // enumerated, type 'GLty'
    clearAreaShape,  // enumerated, type 'MLty'
    real,            // double precision, a single-precision field
};

constexpr DescriptorEnumTypeID kGlueEnumType = fourCC("GLty");
constexpr DescriptorEnumTypeID kShapeEnumType = fourCC("MLty");

// Terminology flags of a parameter.
constexpr uint16_t kTerminologyOptional = 0x8000;
constexpr uint16_t kTerminologyOptionalEnumerated = 0xA000;
constexpr uint16_t kTerminologyDirectParameter = 0xB000;  // optional, enumerated, changes state

struct ScriptedSetting {
    const char* name;  // terminology name; the description is the same text
    DescriptorKeyID key;
    DescriptorTypeID terminologyType;
    uint16_t terminologyFlags;
    DescriptorKind kind;
    size_t fieldOffset;  // byte offset of the field in UserSettings
    double minimum, maximum;  // the dialog's range, on the descriptor's scale
    const char* flag;         // command-line flag
    double defaultValue;      // on the field's scale (a colour channel 0..65535)
    int16_t controlId;        // the dialog control that edits it (a colour's swatch; the preview sets the centre)
    const char* label;        // the dialog's label, nullptr where the control has none
};

// Terminology order; the descriptor reader asks for the keys in this order too.
inline constexpr std::array<ScriptedSetting, 21> kScriptedSettings = {{
    {"vignette red", fourCC("0001"), typeInteger, kTerminologyOptional, DescriptorKind::colorChannel,
     offsetof(UserSettings, vignetteColor) + offsetof(Color16, red), 0, 255, "--vignette-red", 0, 7, nullptr},
    {"vignette green", fourCC("0002"), typeInteger, kTerminologyOptional, DescriptorKind::colorChannel,
     offsetof(UserSettings, vignetteColor) + offsetof(Color16, green), 0, 255, "--vignette-green", 0, 7, nullptr},
    {"vignette blue", fourCC("0003"), typeInteger, kTerminologyOptional, DescriptorKind::colorChannel,
     offsetof(UserSettings, vignetteColor) + offsetof(Color16, blue), 0, 255, "--vignette-blue", 0, 7, nullptr},
    {"sepia red", fourCC("0004"), typeInteger, kTerminologyOptional, DescriptorKind::colorChannel,
     offsetof(UserSettings, sepiaColor) + offsetof(Color16, red), 0, 255, "--sepia-red", 32639, 9, nullptr},
    {"sepia green", fourCC("0005"), typeInteger, kTerminologyOptional, DescriptorKind::colorChannel,
     offsetof(UserSettings, sepiaColor) + offsetof(Color16, green), 0, 255, "--sepia-green", 25186, 9, nullptr},
    {"sepia blue", fourCC("0006"), typeInteger, kTerminologyOptional, DescriptorKind::colorChannel,
     offsetof(UserSettings, sepiaColor) + offsetof(Color16, blue), 0, 255, "--sepia-blue", 17476, 9, nullptr},
    {"focus", fourCC("0007"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, focus), 0, 100, "--focus", 36, 37, "Focus"},
    {"vignette", fourCC("0008"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, vignette), 0, 100, "--vignette", 57, 39, "Vignette"},
    {"dampen", fourCC("0009"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, dampen), 0, 100, "--dampen", 40, 51, "Dampen"},
    {"sepia", fourCC("0010"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, sepia), 0, 100, "--sepia", 0, 55, "Sepia"},
    {"color blur", fourCC("0011"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, colorBlur), 0, 100, "--color-blur", 0, 57, "Color blur"},
    {"CB width", fourCC("0012"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, cbWidth), 0, 100, "--cb-width", 40, 59, "CB width"},
    {"saturation", fourCC("0013"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, saturation), -100, 100, "--saturation", 50, 103, "Saturation"},
    {"uniform sepia", fourCC("0014"), typeInteger, kTerminologyOptional, DescriptorKind::boolean,
     offsetof(UserSettings, uniformSepia), 0, 1, "--uniform-sepia", 0, 21, "Uniform sepia"},
    {"glue", fourCC("GLUE"), kGlueEnumType, kTerminologyOptionalEnumerated, DescriptorKind::glueMode,
     offsetof(UserSettings, glue), 1, 62, "--glue", 1, 73, "Glue"},
    {"center vignette", fourCC("0016"), typeInteger, kTerminologyOptional, DescriptorKind::boolean,
     offsetof(UserSettings, centerVignette), 0, 1, "--center-vignette", 0, 105, "Center vignette"},
    {"clear area", fourCC("0017"), typeInteger, kTerminologyOptional, DescriptorKind::integer,
     offsetof(UserSettings, clearArea), 0, 100, "--clear-area", 42, 65, "Clear area"},
    {"shape", fourCC("MLky"), kShapeEnumType, kTerminologyOptionalEnumerated,
     DescriptorKind::clearAreaShape, offsetof(UserSettings, shape), 1, 3, "--shape", 1, 67, "Shape"},
    {"X center", fourCC("0019"), typeInteger, kTerminologyOptional, DescriptorKind::real,
     offsetof(UserSettings, xCenter), 0, 1, "--x-center", 0.5, 18, nullptr},
    {"Y center", fourCC("0020"), typeInteger, kTerminologyOptional, DescriptorKind::real,
     offsetof(UserSettings, yCenter), 0, 1, "--y-center", 0.5, 18, nullptr},
    {"high quality", fourCC("0021"), typeInteger, kTerminologyOptional, DescriptorKind::boolean,
     offsetof(UserSettings, highQuality), 0, 1, "--high-quality", 0, 48, "High quality"},
}};

// The keys the descriptor reader asks the host for, ended by a zero key.
inline constexpr std::array<DescriptorKeyID, 22> kReaderKeyTable = [] {
    std::array<DescriptorKeyID, 22> keys{};
    for (size_t i = 0; i < kScriptedSettings.size(); ++i) keys[i] = kScriptedSettings[i].key;
    keys[21] = 0;
    return keys;
}();

// The order in which Finish puts the settings into the descriptor, as indices
// into kScriptedSettings: 'high quality' follows 'dampen'.
inline constexpr std::array<uint8_t, 21> kWriterOrder = {0, 1, 2, 3,  4,  5,  6,  7,  8,  20, 9,
                                                         10, 11, 12, 13, 14, 15, 16, 17, 18, 19};

// The descriptor type each kind is carried with.
constexpr DescriptorTypeID descriptorType(DescriptorKind kind) {
    switch (kind) {
        case DescriptorKind::colorChannel:
        case DescriptorKind::integer: return typeInteger;
        case DescriptorKind::boolean: return typeBoolean;
        case DescriptorKind::glueMode:
        case DescriptorKind::clearAreaShape: return typeEnumerated;
        case DescriptorKind::real: return typeFloat;
    }
    return typeNull;
}

// The enumeration type of an enumerated kind, 0 for the others.
constexpr DescriptorEnumTypeID enumerationType(DescriptorKind kind) {
    if (kind == DescriptorKind::glueMode) return kGlueEnumType;
    if (kind == DescriptorKind::clearAreaShape) return kShapeEnumType;
    return 0;
}

constexpr const ScriptedSetting* findScriptedSetting(DescriptorKeyID key) {
    for (const ScriptedSetting& setting : kScriptedSettings) {
        if (setting.key == key) return &setting;
    }
    return nullptr;
}

// The first setting that this dialog control edits, nullptr when none (a
// colour swatch edits three channels, the preview both centres).
constexpr const ScriptedSetting* scriptedSettingOfControl(int32_t controlId) {
    for (const ScriptedSetting& setting : kScriptedSettings) {
        if (setting.controlId == controlId) return &setting;
    }
    return nullptr;
}

constexpr const ScriptedSetting* findScriptedSettingByName(std::string_view name) {
    for (const ScriptedSetting& setting : kScriptedSettings) {
        if (name == setting.name) return &setting;
    }
    return nullptr;
}

// Field access through the table: a colour channel is a uint16_t, a real a
// float, every other kind an int32_t.
template <typename T>
T settingField(const UserSettings& settings, const ScriptedSetting& setting) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&settings) + setting.fieldOffset,
                sizeof value);
    return value;
}

template <typename T>
void setSettingField(UserSettings& settings, const ScriptedSetting& setting, T value) {
    std::memcpy(reinterpret_cast<unsigned char*>(&settings) + setting.fieldOffset, &value,
                sizeof value);
}

// A scripted setting's value as a descriptor carries it.
struct DescriptorValue {
    DescriptorTypeID type = typeNull;  // typeInteger, typeBoolean, typeEnumerated or typeFloat
    int32_t integer = 0;
    uint8_t boolean = 0;  // the flag's low byte: non-zero is on
    DescriptorEnumTypeID enumType = 0;
    DescriptorEnumID enumValue = 0;
    double number = 0.0;
};

// Field -> descriptor: a colour channel travels as its high byte, a flag as
// its low byte, the glue mode and shape as their codes.
DescriptorValue descriptorValueOf(const UserSettings& settings, const ScriptedSetting& setting);
// Descriptor -> field; a value of another type than the setting's, and a
// real that is not a finite float, are passed over (false). An unknown
// enumeration code stores 0.
bool setFromDescriptorValue(UserSettings& settings, const ScriptedSetting& setting, const DescriptorValue& value);
// The setting as a number on the descriptor's scale, as its range is given.
double scriptedValue(const UserSettings& settings, const ScriptedSetting& setting);
// The field itself as a number (a colour channel 0..65535), and back.
double fieldValue(const UserSettings& settings, const ScriptedSetting& setting);
void setFieldValue(UserSettings& settings, const ScriptedSetting& setting, double value);
// Puts the 21 scripted settings to their defaults.
void applyScriptedDefaults(UserSettings& settings);
// Brings every scripted setting into its range as the dialog's opening does:
// numbers are limited to the range (a real that is no number takes its
// default), flags become 0 or 1; colour channels take any value.
void limitToRanges(UserSettings& settings);

