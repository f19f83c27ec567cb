// The filter's own files in the temporary folder: the cached settings of the
// last accepted dialog, two undo snapshots with their files, the memory dots
// and the map of the dots that keep their settings.
#pragma once

#include "platform/memory_service.h"
#include "platform/path_limits.h"
#include "model/parameters.h"
#include "settings/preset_file.h"

#include <cstdint>

inline constexpr int32_t kMemoryDotCount = 25;
inline constexpr int32_t kScratchMemoryDot = 25;  // a slot that no dot shows
inline constexpr int32_t kMemdotMapVersion = 40;

inline constexpr const char* kCachedSettingsFileName = "Twilightomator cached settings C";
inline constexpr const char* kUndoFileNames[2] = {"Twilightomator undo 0", "Twilightomator undo 1"};
inline constexpr const char* kMemdotMapFileName = "Twilightomator memdot map 2";

// A copy of the user settings and the settings file name. X center,
// Y center and auxInt19 are not part of it: restoring keeps theirs.
struct SettingsSnapshot {
    UserSettings settings;
    char settingsFileName[kPathBytes];
};

struct UndoSlot {
    SettingsSnapshot snapshot;
    bool valid = false;
    bool hasFile = false;
};

struct SettingsStore {
    char folder[kMaxPathBytes] = {};  // ends with the separator; empty: no safe folder
    UndoSlot slots[2];
    int32_t currentSlot = 0;
    int32_t keptFlags[kMemoryDotCount] = {};  // 1: the dot keeps its settings
    // The flags as the map held them when last read or written: only the
    // flags that differ from these are this run's changes.
    int32_t keptFlagsInMap[kMemoryDotCount] = {};
    // The map is there but could not be read (a failing disk, a lock held
    // too long): which dots keep their settings is unknown this run.
    bool mapUnreadable = false;
};

// A store file that exists but cannot be read as one (not a preset, or cut
// short): it is set aside under its name with " (damaged)" and not used.
inline constexpr int16_t kStoreFileDamaged = 98;

// The work area at Start: finds the temporary folder, both slots invalid,
// every kept flag 0. False when no safe folder exists; every file operation
// then does nothing.
bool initialiseSettingsStore(SettingsStore& store);

// The full path of a store file; false (out empty) when it cannot be made.
bool storeFilePath(const SettingsStore& store, const char* name, char (&out)[kMaxPathBytes]);
// "Twilightomator memory dot N.z5a"; false for N outside 0..25.
bool memoryDotFileName(int32_t dot, char (&out)[kMaxPathBytes]);


int16_t saveCachedSettings(const SettingsStore& store, const FilterParameters& parameters,
                           const PresetPicture* picture, const MemoryService& memory);
// Reads over the current settings (no reset); a missing file changes nothing.
// Every read of a store file brings the values into their ranges; a damaged
// file is set aside (kStoreFileDamaged, its path in *damagedPath when given).
int16_t loadCachedSettings(const SettingsStore& store, FilterParameters& parameters, PresetPicture* picture,
                           const MemoryService& memory, char (*damagedPath)[kMaxPathBytes] = nullptr);

SettingsSnapshot captureSnapshot(const FilterParameters& parameters);
void restoreSnapshot(const SettingsSnapshot& snapshot, FilterParameters& parameters);

// Flips the current slot and fills it; withFile also writes its undo file.
void takeSnapshot(SettingsStore& store, bool withFile, const FilterParameters& parameters,
                  const PresetPicture* picture, const MemoryService& memory);
// Returns to the other slot when it is valid (re-reading its undo file when
// it has one) and makes it current. False when there is nothing to undo.
bool undoSnapshot(SettingsStore& store, FilterParameters& parameters, PresetPicture* picture,
                  const MemoryService& memory);

// Memory dots 0..24, and the scratch slot 25.
int16_t storeMemoryDot(const SettingsStore& store, int32_t dot, const FilterParameters& parameters,
                       const PresetPicture* picture, const MemoryService& memory);
int16_t loadMemoryDot(const SettingsStore& store, int32_t dot, FilterParameters& parameters,
                      PresetPicture* picture, const MemoryService& memory);

// 40, then the 25 kept flags, big-endian. Another run may have changed the
// map since this one read it: under the map's lock file, this run's changes
// (and only those) are written over the map as it is now, and the flags
// become the merged ones. A run that changed nothing writes the map as it is.
int16_t writeMemdotMap(SettingsStore& store);
// Missing file: nothing changes; a short file leaves the missing flags.
int16_t readMemdotMap(SettingsStore& store);

inline constexpr const char* kMemdotMapLockFileName = "Twilightomator memdot map 2 lock";
