// A user's preset file: taken only when it reads as a preset, written whole.
#include "settings/preset_file.h"

#include "platform/whole_file.h"

#include <memory>

bool isPresetVersion(int32_t version) { return version >= 1 && version <= kMostPresetVersion; }

int16_t readUserPreset(const char* path, UserSettings& settings, PresetPicture* picture, const MemoryService& memory,
                       PresetReadInfo* info) {
    UserSettings read = settings;
    std::unique_ptr<PresetPicture> readPicture;
    if (picture != nullptr) readPicture = std::make_unique<PresetPicture>(*picture);
    PresetReadInfo readInfo;
    const int16_t result = readPreset(path, PresetReadMode::full, read, readPicture.get(), memory, &readInfo);
    if (info != nullptr) *info = readInfo;
    if (result != 0) return result;
    if (!isPresetVersion(readInfo.version)) return kPresetNotAPreset;
    settings = read;
    if (picture != nullptr) *picture = *readPicture;
    return 0;
}

int16_t writeUserPreset(const char* path, const UserSettings& settings, const PresetPicture* picture,
                        const MemoryService& memory, std::string& error) {
    WholeFile output;
    if (!output.begin(path, true, error)) return kPresetCannotOpen;
    PlatformFile file;
    if (!file.openDescriptor(output.descriptor())) {
        error = "cannot write the file";
        return kPresetCannotOpen;
    }
    const int16_t written = writePresetTo(file, settings, picture, memory);
    const int32_t closed = file.close();
    if (written != 0 || closed != 0) {
        error = std::string("cannot write ") + path + ": not every byte reached the file";
        return static_cast<int16_t>(kWriteFailed);
    }
    return output.commit(error) ? 0 : static_cast<int16_t>(kWriteFailed);
}
