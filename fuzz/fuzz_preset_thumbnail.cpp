// libFuzzer target: the thumbnail-only preset reader (the file chooser's
// preview pane and the gallery read presets this way); the settings must
// come out untouched whatever the bytes.
#include "fuzz_support.h"
#include "settings/preset_file.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxPresetInput) return 0;
    static PresetPicture picture;
    const MemoryService memory = systemMemoryService();
    UserSettings settings = defaultUserSettings();
    const UserSettings before = settings;
    PresetReadInfo info;
    PlatformFile file;
    file.openMemory(data, size);
    readPresetFrom(file, PresetReadMode::thumbnailOnly, settings, &picture, memory, &info);
    if (std::memcmp(&settings, &before, sizeof settings) != 0) __builtin_trap();
    return 0;
}
