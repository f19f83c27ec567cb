// The enumeration codes of the scripted glue mode and clear-area shape, and
// the entries the terminology lists for them. Stored codes never move: they
// are in the actions people have recorded.
#pragma once

#include "interface/host_interface.h"
#include "model/glue_modes.h"
#include "model/settings_table.h"

#include <array>
#include <cstdint>

constexpr DescriptorEnumID kNoEnumerationCode = fourCC("<NO>");
constexpr int32_t kShapeCount = 3;

// 'GL' / 'ML' followed by the number in two decimal digits.
constexpr DescriptorEnumID numberedCode(char first, char second, int32_t number) {
    return (uint32_t(uint8_t(first)) << 24) | (uint32_t(uint8_t(second)) << 16) |
           (uint32_t('0' + number / 10) << 8) | uint32_t('0' + number % 10);
}

// Code -> value: 'GL01'..'GL62' under 'GLty' give 1..62, 'ML01'..'ML03' under
// 'MLty' give 1..3; any other code gives 0 and clears *matched.
constexpr int32_t decodeEnumeration(DescriptorEnumTypeID type, DescriptorEnumID code,
                                    bool* matched = nullptr) {
    int32_t count = 0;
    char first = 0, second = 0;
    if (type == kGlueEnumType) {
        count = kGlueModeCount;
        first = 'G';
        second = 'L';
    } else if (type == kShapeEnumType) {
        count = kShapeCount;
        first = 'M';
        second = 'L';
    }
    for (int32_t value = 1; value <= count; ++value) {
        if (numberedCode(first, second, value) == code) {
            if (matched) *matched = true;
            return value;
        }
    }
    if (matched) *matched = false;
    return 0;
}

// Value -> code; a value without a code (or an unknown type) gives '<NO>'.
constexpr DescriptorEnumID encodeEnumeration(int32_t value, DescriptorEnumTypeID type) {
    if (type == kGlueEnumType && value >= 1 && value <= kGlueModeCount)
        return numberedCode('G', 'L', value);
    if (type == kShapeEnumType && value >= 1 && value <= kShapeCount)
        return numberedCode('M', 'L', value);
    return kNoEnumerationCode;
}

struct EnumerationEntry {
    DescriptorEnumID code;
    const char* name;  // the description is the same text
};

// The shapes as the terminology names them.
inline constexpr std::array<EnumerationEntry, 3> kShapeEntries = {{
    {fourCC("ML01"), "round"},
    {fourCC("ML02"), "wide"},
    {fourCC("ML03"), "tall"},
}};
