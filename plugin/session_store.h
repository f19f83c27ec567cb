// The frame's use of the settings store: cached settings, memory-dot flags
// and map, and the undo snapshot the dialog opens with. Every operation does
// nothing when the run has no work area.
#pragma once

#include "plugin/globals.h"

// At work-area allocation: the store's folder, both undo slots invalid.
void openSessionStore(PluginGlobals& globals);
void restoreSessionSettings(PluginGlobals& globals, FilterParameters& parameters);
void keepSessionSettings(PluginGlobals& globals, const FilterParameters& parameters);
void clearMemoryDotFlags(PluginGlobals& globals);
void readMemoryDotMap(PluginGlobals& globals);
void writeMemoryDotMap(PluginGlobals& globals);
void takeOpeningSnapshot(PluginGlobals& globals, FilterParameters& parameters);
