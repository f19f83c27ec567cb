// The main dialog and the About box as the frame calls them.
#pragma once

#include "plugin/globals.h"

// Runs the main dialog over the parameter block; noErr for OK, -128 for Cancel.
OSErr runMainDialog(PluginGlobals& globals, FilterParameters& parameters);
void showAboutBox(void* aboutRecord);
