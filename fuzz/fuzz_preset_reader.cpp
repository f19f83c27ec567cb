// libFuzzer target: the full preset reader over arbitrary bytes, with and
// without a preset picture to read stored pictures into.
#include "fuzz_support.h"
#include "settings/preset_file.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxPresetInput) return 0;
    static PresetPicture picture;
    const MemoryService memory = systemMemoryService();
    UserSettings settings = defaultUserSettings();
    PresetReadInfo info;
    PlatformFile file;
    file.openMemory(data, size);
    readPresetFrom(file, PresetReadMode::full, settings, &picture, memory, &info);
    if (picture.width < 0 || picture.width > kPresetPictureSide || picture.height < 0 ||
        picture.height > kPresetPictureSide)
        __builtin_trap();
    PlatformFile again;
    again.openMemory(data, size);
    readPresetFrom(again, PresetReadMode::full, settings, nullptr, memory, &info);
    return 0;
}
