// The settings store as the frame uses it (filled in as the store lands).
#include "plugin/session_store.h"

#include "plugin/work_area.h"

void loadCachedSettings(FilterParameters&) {}
void saveCachedSettings(const FilterParameters&) {}
void clearMemoryDotFlags(PluginGlobals& globals) {
    if (!globals.workArea) return;
    for (int32_t& kept : globals.workArea->memoryDotKept) kept = 0;
}
void readMemoryDotMap(PluginGlobals&) {}
void writeMemoryDotMap(PluginGlobals&) {}
void takeOpeningSnapshot(PluginGlobals&, FilterParameters&) {}
