// The settings store: file names, cached settings, undo, memory dots and
// the memdot map, all plain preset files in the temporary folder.
#include "settings/settings_store.h"

#include "codec/product_identity.h"
#include "model/settings_table.h"
#include "platform/binary_file.h"
#include "platform/file_lock.h"
#include "platform/file_rename.h"
#include "platform/folder_listing.h"
#include "platform/temporary_folder.h"
#include "platform/whole_file.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {
// Another run holds the map's lock only for a few small reads and writes.
constexpr int32_t kMapLockWaitMilliseconds = 5000;

// Store files are the plug-in's own: a link planted at their place is never
// followed, and only regular files are opened. They are written whole into
// a new file that then replaces the old one, so that another host sharing
// the store, or a failed write, never leaves a torn file to be read.
int16_t writeStorePreset(const SettingsStore& store, const char* name, const FilterParameters& parameters,
                         const PresetPicture* picture, const MemoryService& memory) {
    char path[kMaxPathBytes];
    if (!storeFilePath(store, name, path)) return kPresetCannotOpen;
    std::string error;
    return writeUserPreset(path, parameters.settings, picture, memory, error);
}

// Moves a damaged store file out of the way under "<name> (damaged)" (or
// "(damaged N)" when that is taken), so that it is neither used nor lost.
void setAside(const char* path) {
    for (int attempt = 1; attempt <= 9; ++attempt) {
        char suffix[32];
        if (attempt == 1) std::snprintf(suffix, sizeof suffix, " (damaged)");
        else std::snprintf(suffix, sizeof suffix, " (damaged %d)", attempt);
        char asideName[kMaxPathBytes];
        if (!joinPath(asideName, sizeof asideName, path, suffix)) return;
        if (renameFile(path, asideName)) return;
    }
}

// Reads a store file over the settings when it is whole: the values are
// brought into their ranges (a damaged store must not reach the filter) and
// a file that is no preset, or ends early, is set aside unused.
int16_t readStorePreset(const SettingsStore& store, const char* name, FilterParameters& parameters,
                        PresetPicture* picture, const MemoryService& memory,
                        char (*damagedPath)[kMaxPathBytes] = nullptr) {
    char path[kMaxPathBytes];
    PlatformFile file;
    if (!storeFilePath(store, name, path) || !file.open(path, FileAccess::read, LinkPolicy::refuse))
        return kPresetCannotOpen;
    UserSettings settings = parameters.settings;
    std::unique_ptr<PresetPicture> read = picture ? std::make_unique<PresetPicture>() : nullptr;
    PresetReadInfo info;
    readPresetFrom(file, PresetReadMode::full, settings, read.get(), memory, &info);
    file.close();
    if (info.version < 1 || info.version > 255 || info.endedEarly) {
        setAside(path);
        if (damagedPath) std::snprintf(*damagedPath, sizeof *damagedPath, "%s", path);
        return kStoreFileDamaged;
    }
    limitToRanges(settings);
    parameters.settings = settings;
    if (picture && info.pictureFound) *picture = *read;
    return 0;
}

// The map's values after the version, as many as the file holds; false when
// it cannot be opened.
bool readMapFlags(const char* path, int32_t (&flags)[kMemoryDotCount]) {
    PlatformFile file;
    if (!file.open(path, FileAccess::read, LinkPolicy::refuse)) return false;
    int32_t version = 0;
    readBigEndian32(file, &version);  // not used
    for (int32_t& flag : flags) readBigEndian32(file, &flag);
    return true;
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
                           const MemoryService& memory, char (*damagedPath)[kMaxPathBytes]) {
    return readStorePreset(store, kCachedSettingsFileName, parameters, picture, memory, damagedPath);
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

int16_t writeMemdotMap(SettingsStore& store) {
    char path[kMaxPathBytes];
    char lockPath[kMaxPathBytes];
    if (!storeFilePath(store, kMemdotMapFileName, path) || !storeFilePath(store, kMemdotMapLockFileName, lockPath))
        return kPresetCannotOpen;
    FileLock lock;
    if (!lock.acquire(lockPath, kMapLockWaitMilliseconds)) return kPresetCannotOpen;
    int32_t merged[kMemoryDotCount] = {};
    if (!readMapFlags(path, merged) && regularFileAt(path)) return static_cast<int16_t>(kReadFailed);
    for (int32_t dot = 0; dot < kMemoryDotCount; ++dot)
        if (store.keptFlags[dot] != store.keptFlagsInMap[dot]) merged[dot] = store.keptFlags[dot];
    // The whole map replaces the old one at once, as store presets do.
    unsigned char bytes[4 * (1 + kMemoryDotCount)];
    storeBigEndian32(bytes, uint32_t(kMemdotMapVersion));
    for (int32_t dot = 0; dot < kMemoryDotCount; ++dot) storeBigEndian32(bytes + 4 * (dot + 1), uint32_t(merged[dot]));
    std::string error;
    if (!writeWholeFile(path, bytes, sizeof bytes, true, error)) return static_cast<int16_t>(kWriteFailed);
    std::memcpy(store.keptFlags, merged, sizeof merged);
    std::memcpy(store.keptFlagsInMap, merged, sizeof merged);
    return 0;
}

int16_t readMemdotMap(SettingsStore& store) {
    char path[kMaxPathBytes];
    char lockPath[kMaxPathBytes];
    if (!storeFilePath(store, kMemdotMapFileName, path) || !storeFilePath(store, kMemdotMapLockFileName, lockPath))
        return kPresetCannotOpen;
    // Read under the lock, so that a write in progress is never seen half
    // done; a map never written through the lock is read as it is.
    FileLock lock;
    lock.acquire(lockPath, kMapLockWaitMilliseconds, false);
    store.mapUnreadable = false;
    if (!readMapFlags(path, store.keptFlags)) {
        if (!regularFileAt(path)) return kPresetCannotOpen;
        store.mapUnreadable = true;
        return static_cast<int16_t>(kReadFailed);
    }
    std::memcpy(store.keptFlagsInMap, store.keptFlags, sizeof store.keptFlags);
    return 0;
}
