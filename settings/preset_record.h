// The values of a preset file in their stored order: the one declaration of
// where each setting sits, which versions carry it and how it is scaled.
// The writer writes every slot; the reader reads the slots a file's version
// carries, then applies the old versions' conversions.
#pragma once

#include "model/parameters.h"
#include "model/settings_table.h"

#include <array>
#include <cstddef>
#include <climits>
#include <cstdint>

enum class PresetSlotKind : uint8_t {
    version,     // the format version
    integer,     // a 32-bit field as it is
    colour,      // three values: a Color16's channels
    hundredths,  // three values: a float vector stored as value x 100
    centre,      // a float stored as value x 65536
    one,         // a value the format keeps at 1; read and passed over
    texture,     // the texture block; written as "no texture"
};

struct PresetSlot {
    PresetSlotKind kind;
    size_t fieldOffset;    // in UserSettings; 0 for the kinds without a field
    int32_t presentAfter;  // a file of version v carries the slot when v > presentAfter
};

// The slots every file carries, whatever version it claims.
inline constexpr int32_t kEveryVersion = INT32_MIN;

constexpr bool carriedBy(const PresetSlot& slot, int32_t version) {
    return slot.presentAfter == kEveryVersion || version > slot.presentAfter;
}

#define TWL_FIELD(name) offsetof(UserSettings, name)
inline constexpr std::array<PresetSlot, 49> kPresetRecord = {{
    {PresetSlotKind::version, 0, kEveryVersion},
    {PresetSlotKind::colour, TWL_FIELD(vignetteColor), kEveryVersion},
    {PresetSlotKind::colour, TWL_FIELD(auxColorA), kEveryVersion},
    {PresetSlotKind::colour, TWL_FIELD(sepiaColor), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt1), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt2), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt3), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt4), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(focus), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(vignette), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt5), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt6), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt7), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt8), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(dampen), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(highQuality), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt9), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(sepia), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(colorBlur), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(cbWidth), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt10), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt11), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt13), kEveryVersion},
    {PresetSlotKind::integer, TWL_FIELD(auxInt14), kEveryVersion},
    {PresetSlotKind::colour, TWL_FIELD(auxColorD), kEveryVersion},
    {PresetSlotKind::colour, TWL_FIELD(auxColorD), kEveryVersion},  // stored twice; the second read wins
    {PresetSlotKind::colour, TWL_FIELD(auxColorF), 1},
    {PresetSlotKind::integer, TWL_FIELD(saturation), 1},
    {PresetSlotKind::integer, TWL_FIELD(auxInt12), 1},
    {PresetSlotKind::integer, TWL_FIELD(uniformSepia), 1},
    {PresetSlotKind::integer, TWL_FIELD(glue), 2},
    {PresetSlotKind::one, 0, 2},
    {PresetSlotKind::integer, TWL_FIELD(auxInt15), 3},
    {PresetSlotKind::integer, TWL_FIELD(auxInt16), 3},
    {PresetSlotKind::integer, TWL_FIELD(centerVignette), 3},
    {PresetSlotKind::integer, TWL_FIELD(clearArea), 4},
    {PresetSlotKind::integer, TWL_FIELD(shape), 4},
    {PresetSlotKind::hundredths, TWL_FIELD(auxVectorA), 7},
    {PresetSlotKind::hundredths, TWL_FIELD(auxVectorB), 7},
    {PresetSlotKind::integer, TWL_FIELD(auxInt18), 11},
    {PresetSlotKind::integer, TWL_FIELD(auxInt17), 13},
    {PresetSlotKind::one, 0, 15},
    {PresetSlotKind::integer, TWL_FIELD(auxInt19), 16},
    {PresetSlotKind::colour, TWL_FIELD(auxColorB), 17},
    {PresetSlotKind::colour, TWL_FIELD(auxColorC), 17},
    {PresetSlotKind::texture, 0, 21},
    {PresetSlotKind::colour, TWL_FIELD(auxColorE), 22},
    {PresetSlotKind::centre, TWL_FIELD(xCenter), 25},
    {PresetSlotKind::centre, TWL_FIELD(yCenter), 25},
}};
#undef TWL_FIELD

// How many stored values a slot takes.
constexpr int32_t presetSlotValues(PresetSlotKind kind) {
    return kind == PresetSlotKind::colour || kind == PresetSlotKind::hundredths ? 3 : 1;
}

// The position of a setting's first stored value in a current file (the
// version is value 0); -1 for a field the record does not hold.
constexpr int32_t presetPosition(size_t fieldOffset) {
    int32_t position = 0;
    for (const PresetSlot& slot : kPresetRecord) {
        const bool hasField = slot.kind != PresetSlotKind::version && slot.kind != PresetSlotKind::one &&
                              slot.kind != PresetSlotKind::texture;
        if (hasField && slot.kind == PresetSlotKind::colour && fieldOffset >= slot.fieldOffset &&
            fieldOffset < slot.fieldOffset + sizeof(Color16))
            return position + int32_t((fieldOffset - slot.fieldOffset) / sizeof(uint16_t));
        if (hasField && slot.fieldOffset == fieldOffset) return position;
        position += presetSlotValues(slot.kind);
    }
    return -1;
}

// The record of the current version holds 71 values.
static_assert([] {
    int32_t values = 0;
    for (const PresetSlot& slot : kPresetRecord) values += presetSlotValues(slot.kind);
    return values;
}() == 71);

