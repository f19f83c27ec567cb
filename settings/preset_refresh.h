// The file work of refreshing a folder of old-style presets: which files a
// refresh rewrites, and the new name an old preset takes once rewritten.
// The dialog does the rest (reading each one, rendering its picture, saving).
#pragma once

#include <string>
#include <vector>

struct PresetToRefresh {
    std::string name;  // within the folder
    std::string path;  // folder + name
    bool old;          // "r9u" in the name: renamed to ".r5o" once rewritten
};

// The files of folder (which ends with its separator) whose names hold
// "r9u" or "r5o" and that their owner may write, in the folder listing's
// order. Whether each one is a preset is for the reader to find out.
std::vector<PresetToRefresh> presetsToRefresh(const std::string& folder);

// Gives a rewritten old preset its ".r5o" name (its extension replaced, or
// added when it has none), never replacing another file. An empty text when
// done or when the file has that name already, else the failure for the user.
std::string renameRefreshedPreset(const std::string& folder, const PresetToRefresh& preset);
