// Writing a preset file: the 71 values of the current version in the order of
// the preset record, then the thumbnail block.
#include "settings/preset_file.h"

#include "kernels/truncation.h"

#include "settings/preset_file_blocks.h"
#include "settings/preset_record.h"

#include <initializer_list>

namespace {
template <typename T>
const T& fieldAt(const UserSettings& settings, size_t offset) {
    return *reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(&settings) + offset);
}

// Vectors are stored as value x 100, the centre as value x 65536, both in
// single precision and truncated toward zero.
void writeSlot(PlatformFile& file, const PresetSlot& slot, const UserSettings& s) {
    switch (slot.kind) {
        case PresetSlotKind::version: writeBigEndian32(file, kPresetVersion); break;
        case PresetSlotKind::integer: writeBigEndian32(file, fieldAt<int32_t>(s, slot.fieldOffset)); break;
        case PresetSlotKind::colour: {
            const Color16& color = fieldAt<Color16>(s, slot.fieldOffset);
            for (uint16_t channel : {color.red, color.green, color.blue}) writeBigEndian32(file, channel);
            break;
        }
        case PresetSlotKind::hundredths:
            for (int i = 0; i < 3; ++i)
                writeBigEndian32(file, truncateToInt(fieldAt<float[3]>(s, slot.fieldOffset)[i] * 100.0f));
            break;
        case PresetSlotKind::centre:
            writeBigEndian32(file, truncateToInt(fieldAt<float>(s, slot.fieldOffset) * 65536.0f));
            break;
        case PresetSlotKind::one: writeBigEndian32(file, 1); break;
        case PresetSlotKind::texture: writeBigEndian32(file, 0); break;  // no texture
    }
}
}  // namespace

int16_t writePresetTo(PlatformFile& file, const UserSettings& settings, const PresetPicture* picture,
                      const MemoryService& memory) {
    for (const PresetSlot& slot : kPresetRecord) writeSlot(file, slot, settings);
    writeThumbnailBlock(file, picture, memory);
    return file.writeFellShort() ? static_cast<int16_t>(kWriteFailed) : 0;
}

int16_t writePreset(const char* path, const UserSettings& settings, const PresetPicture* picture,
                    const MemoryService& memory) {
    PlatformFile file;
    if (!file.open(path, FileAccess::overwrite)) return kPresetCannotOpen;
    const int16_t written = writePresetTo(file, settings, picture, memory);
    const int32_t closed = file.close();
    return written != 0 ? written : static_cast<int16_t>(closed);
}
