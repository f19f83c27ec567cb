// The enumeration codes of the scripted glue mode and clear-area shape, and
// the entries the terminology lists for them. Stored codes never move: they
// are in the actions people have recorded.
#pragma once

#include "plugin/host_interface.h"
#include "plugin/settings_table.h"

#include <array>
#include <cstdint>

constexpr DescriptorEnumID kNoEnumerationCode = fourCC("<NO>");
constexpr int32_t kGlueModeCount = 62;
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

// The glue modes as the terminology names them. Modes 60 and 61 have codes
// but no entry; mode 26 is "harsh diff" here (the dialog says "hard diff").
inline constexpr std::array<EnumerationEntry, 60> kGlueEntries = {{
    {fourCC("GL01"), "normal"},       {fourCC("GL02"), "procedural +"}, {fourCC("GL03"), "procedural -"},
    {fourCC("GL04"), "difference"},   {fourCC("GL05"), "lighten"},      {fourCC("GL06"), "darken"},
    {fourCC("GL07"), "add"},          {fourCC("GL08"), "subtract"},     {fourCC("GL09"), "multiply"},
    {fourCC("GL10"), "screen"},       {fourCC("GL11"), "hard light"},   {fourCC("GL12"), "overlay"},
    {fourCC("GL13"), "superlay"},     {fourCC("GL14"), "exclusion"},    {fourCC("GL15"), "color"},
    {fourCC("GL16"), "luminance"},    {fourCC("GL17"), "linear light"}, {fourCC("GL18"), "pin light"},
    {fourCC("GL19"), "spin light"},   {fourCC("GL20"), "vivid a"},      {fourCC("GL21"), "vivid b"},
    {fourCC("GL22"), "saturation"},   {fourCC("GL23"), "hue"},          {fourCC("GL24"), "similarity"},
    {fourCC("GL25"), "cross"},        {fourCC("GL26"), "harsh diff"},   {fourCC("GL27"), "soft light"},
    {fourCC("GL28"), "bright"},       {fourCC("GL29"), "dim"},          {fourCC("GL30"), "dodge"},
    {fourCC("GL31"), "burn"},         {fourCC("GL32"), "ace"},          {fourCC("GL33"), "king"},
    {fourCC("GL34"), "queen"},        {fourCC("GL35"), "jack"},         {fourCC("GL36"), "and"},
    {fourCC("GL37"), "or"},           {fourCC("GL38"), "xor"},          {fourCC("GL39"), "multibright"},
    {fourCC("GL40"), "hot"},          {fourCC("GL41"), "cold"},         {fourCC("GL42"), "wet"},
    {fourCC("GL43"), "dry"},          {fourCC("GL44"), "up"},           {fourCC("GL45"), "down"},
    {fourCC("GL46"), "wax"},          {fourCC("GL47"), "wane"},         {fourCC("GL48"), "north"},
    {fourCC("GL49"), "south"},        {fourCC("GL50"), "east"},         {fourCC("GL51"), "west"},
    {fourCC("GL52"), "hard mix"},     {fourCC("GL53"), "frontal"},      {fourCC("GL54"), "parietal"},
    {fourCC("GL55"), "temporal"},     {fourCC("GL56"), "occipital"},    {fourCC("GL57"), "limbic"},
    {fourCC("GL58"), "dextrous"},     {fourCC("GL59"), "sinister"},     {fourCC("GL62"), "screendim"},
}};
