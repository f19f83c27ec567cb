// The settings store as the frame uses it.
#include "plugin/session_store.h"

#include "plugin/work_area.h"
#include "ui/message_box.h"

#include <string>

namespace {
// The preset picture exists while the scratch image does (from Start on).
PresetPicture* presetPictureOf(PluginGlobals& globals) {
    PresetPicture& picture = globals.workArea->presetPicture;
    return picture.width > 0 ? &picture : nullptr;
}
MemoryService memoryOf(const PluginGlobals& globals) { return pluginMemoryService(globals.record); }
}  // namespace

void openSessionStore(PluginGlobals& globals) {
    if (!globals.workArea) return;
    // Without a safe temporary folder every store operation does nothing.
    initialiseSettingsStore(globals.workArea->store);
}

void restoreSessionSettings(PluginGlobals& globals, FilterParameters& parameters) {
    if (!globals.workArea) return;
    char damaged[kMaxPathBytes] = {};
    if (loadCachedSettings(globals.workArea->store, parameters, presetPictureOf(globals), memoryOf(globals),
                           &damaged) != kStoreFileDamaged)
        return;
    // The run goes on with the settings it had; the user learns why.
    const std::string text = "The last settings could not be read: " + std::string(damaged) +
                             " is damaged. It was set aside beside it, and the settings it held were not used.";
    showMessageBox(MessageBoxText{"Twilightomator", text.c_str(), "OK"}, parameters.showDialog != 0);
}

void keepSessionSettings(PluginGlobals& globals, const FilterParameters& parameters) {
    if (!globals.workArea) return;
    saveCachedSettings(globals.workArea->store, parameters, presetPictureOf(globals), memoryOf(globals));
}

void clearMemoryDotFlags(PluginGlobals& globals) {
    if (!globals.workArea) return;
    for (int32_t& kept : globals.workArea->store.keptFlags) kept = 0;
}

void readMemoryDotMap(PluginGlobals& globals) {
    if (globals.workArea) readMemdotMap(globals.workArea->store);
}

void writeMemoryDotMap(PluginGlobals& globals) {
    if (globals.workArea) writeMemdotMap(globals.workArea->store);
}

void takeOpeningSnapshot(PluginGlobals& globals, FilterParameters& parameters) {
    if (!globals.workArea) return;
    takeSnapshot(globals.workArea->store, true, parameters, presetPictureOf(globals), memoryOf(globals));
}
