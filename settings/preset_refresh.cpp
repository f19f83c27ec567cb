// Choosing and renaming the presets of a refresh.
#include "settings/preset_refresh.h"

#include "platform/file_rename.h"
#include "platform/folder_listing.h"
#include "platform/utf8_path.h"

#include <filesystem>
#include <system_error>

std::vector<PresetToRefresh> presetsToRefresh(const std::string& folder) {
    std::vector<std::string> names;
    listFilesWithSuffix(folder.c_str(), "", names);
    std::vector<PresetToRefresh> presets;
    for (const std::string& name : names) {
        const bool old = name.find("r9u") != std::string::npos;
        if (!old && name.find("r5o") == std::string::npos) continue;
        const std::string path = folder + name;
        std::error_code error;
        const auto permissions = std::filesystem::status(systemPath(path), error).permissions();
        if (error || (permissions & std::filesystem::perms::owner_write) == std::filesystem::perms::none) continue;
        presets.push_back({name, path, old});
    }
    return presets;
}

std::string renameRefreshedPreset(const std::string& folder, const PresetToRefresh& preset) {
    if (!preset.old) return "";
    // A file refreshed before ("x r9u.r5o") has its new name already.
    const size_t dot = preset.name.find_last_of('.');
    const std::string renamed = folder + (dot == std::string::npos ? preset.name : preset.name.substr(0, dot)) + ".r5o";
    if (renamed == preset.path || renameFile(preset.path.c_str(), renamed.c_str())) return "";
    return preset.name + " was refreshed but could not be renamed to " + renamed;
}
