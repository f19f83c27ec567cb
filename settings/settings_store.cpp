// The settings store: file names, cached settings, undo, memory dots and
// the memdot map, all plain preset files in the temporary folder.
#include "settings/settings_store.h"

#include "codec/product_identity.h"
#include "platform/binary_file.h"
#include "platform/temporary_folder.h"

#include <cstdio>
#include <cstring>

namespace {
int16_t writeStorePreset(const SettingsStore& store, const char* name, const FilterParameters& parameters,
                         const PresetPicture* picture, const MemoryService& memory) {
    char path[kMaxPathBytes];
    if (!storeFilePath(store, name, path)) return kPresetCannotOpen;
    return writePreset(path, parameters.settings, picture, memory);
}

int16_t readStorePreset(const SettingsStore& store, const char* name, FilterParameters& parameters,
                        PresetPicture* picture, const MemoryService& memory) {
    char path[kMaxPathBytes];
    if (!storeFilePath(store, name, path)) return kPresetCannotOpen;
    return readPreset(path, PresetReadMode::full, parameters.settings, picture, memory);
}
}  // namespace

bool initialiseSettingsStore(SettingsStore& store) {
    store = SettingsStore{};
    return temporaryFolder(store.folder, sizeof store.folder);
}

bool storeFilePath(const SettingsStore& store, const char* name, char (&out)[kMaxPathBytes]) {
    out[0] = '\0';
    if (store.folder[0] == '\0') return false;
    return joinPath(out, sizeof out, store.folder, name);
}

bool memoryDotFileName(int32_t dot, char (&out)[kMaxPathBytes]) {
    out[0] = '\0';
    if (dot < 0 || dot > kScratchMemoryDot) return false;
    std::snprintf(out, sizeof out, "%s memory dot %d%s", kProductName, static_cast<int>(dot), ".z5a");
    return true;
}

int16_t saveCachedSettings(const SettingsStore& store, const FilterParameters& parameters,
                           const PresetPicture* picture, const MemoryService& memory) {
    return writeStorePreset(store, kCachedSettingsFileName, parameters, picture, memory);
}

int16_t loadCachedSettings(const SettingsStore& store, FilterParameters& parameters, PresetPicture* picture,
                           const MemoryService& memory) {
    return readStorePreset(store, kCachedSettingsFileName, parameters, picture, memory);
}

SettingsSnapshot captureSnapshot(const FilterParameters& parameters) {
    SettingsSnapshot snapshot;
    snapshot.settings = parameters.settings;
    std::memcpy(snapshot.settingsFileName, parameters.settingsFileName, sizeof snapshot.settingsFileName);
    snapshot.settingsFileName[kPathBytes - 1] = '\0';
    return snapshot;
}

void restoreSnapshot(const SettingsSnapshot& snapshot, FilterParameters& parameters) {
    UserSettings& settings = parameters.settings;
    const float xCenter = settings.xCenter;
    const float yCenter = settings.yCenter;
    const int32_t auxInt19 = settings.auxInt19;
    settings = snapshot.settings;
    settings.xCenter = xCenter;
    settings.yCenter = yCenter;
    settings.auxInt19 = auxInt19;
    std::memcpy(parameters.settingsFileName, snapshot.settingsFileName, sizeof parameters.settingsFileName);
}

void takeSnapshot(SettingsStore& store, bool withFile, const FilterParameters& parameters,
                  const PresetPicture* picture, const MemoryService& memory) {
    store.currentSlot ^= 1;
    UndoSlot& slot = store.slots[store.currentSlot];
    slot.snapshot = captureSnapshot(parameters);
    if (withFile) writeStorePreset(store, kUndoFileNames[store.currentSlot], parameters, picture, memory);
    slot.hasFile = withFile;
    slot.valid = true;
}

bool undoSnapshot(SettingsStore& store, FilterParameters& parameters, PresetPicture* picture,
                  const MemoryService& memory) {
    const int32_t other = store.currentSlot ^ 1;
    const UndoSlot& slot = store.slots[other];
    if (!slot.valid) return false;
    restoreSnapshot(slot.snapshot, parameters);
    if (slot.hasFile) readStorePreset(store, kUndoFileNames[other], parameters, picture, memory);
    store.currentSlot = other;
    return true;
}

int16_t storeMemoryDot(const SettingsStore& store, int32_t dot, const FilterParameters& parameters,
                       const PresetPicture* picture, const MemoryService& memory) {
    char name[kMaxPathBytes];
    if (!memoryDotFileName(dot, name)) return kPresetCannotOpen;
    return writeStorePreset(store, name, parameters, picture, memory);
}

int16_t loadMemoryDot(const SettingsStore& store, int32_t dot, FilterParameters& parameters,
                      PresetPicture* picture, const MemoryService& memory) {
    char name[kMaxPathBytes];
    if (!memoryDotFileName(dot, name)) return kPresetCannotOpen;
    return readStorePreset(store, name, parameters, picture, memory);
}

int16_t writeMemdotMap(const SettingsStore& store) {
    char path[kMaxPathBytes];
    PlatformFile file;
    if (!storeFilePath(store, kMemdotMapFileName, path) || !file.open(path, FileAccess::overwrite))
        return kPresetCannotOpen;
    writeBigEndian32(file, kMemdotMapVersion);
    for (int32_t flag : store.keptFlags) writeBigEndian32(file, flag);
    return static_cast<int16_t>(file.close());
}

int16_t readMemdotMap(SettingsStore& store) {
    char path[kMaxPathBytes];
    PlatformFile file;
    if (!storeFilePath(store, kMemdotMapFileName, path) || !file.open(path, FileAccess::read))
        return kPresetCannotOpen;
    int32_t version = 0;
    readBigEndian32(file, &version);  // not used
    for (int32_t& flag : store.keptFlags) readBigEndian32(file, &flag);
    return 0;
}
