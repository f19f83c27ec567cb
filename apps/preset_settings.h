// A preset's settings as the scripted step that carries them to the plug-in.
#pragma once

#include "host/descriptor_suite_store.h"
#include "plugin/parameters.h"

#include <optional>
#include <string>

// The 21 scripted settings of `settings` as a descriptor, in the order and
// with the conversions the plug-in itself records them.
Descriptor descriptorOfSettings(const UserSettings& settings);

// Reads a .z5a preset (over the defaults) and turns it into a descriptor.
bool presetDescriptor(const std::string& path, std::optional<Descriptor>& descriptor, std::string& error);
