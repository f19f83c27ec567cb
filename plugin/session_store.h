// The frame's use of the settings store: cached settings, memory-dot flags
// and map, and the undo snapshot the dialog opens with.
#pragma once

#include "plugin/globals.h"

void loadCachedSettings(FilterParameters& parameters);
void saveCachedSettings(const FilterParameters& parameters);
void clearMemoryDotFlags(PluginGlobals& globals);
void readMemoryDotMap(PluginGlobals& globals);
void writeMemoryDotMap(PluginGlobals& globals);
void takeOpeningSnapshot(PluginGlobals& globals, FilterParameters& parameters);
