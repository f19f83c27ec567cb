// A preset's settings as the scripted step that carries them to the plug-in.
#pragma once

#include "host/descriptor_suite_store.h"
#include "model/parameters.h"

#include <optional>
#include <string>

// The 21 scripted settings of `settings` as a descriptor, in the order and
// with the conversions the plug-in itself records them.
Descriptor descriptorOfSettings(const UserSettings& settings);

// Sets the fields of the scripted settings the descriptor holds, with the
// plug-in's own conversions (a colour channel is value x 256, a flag 0 or 1,
// an unknown enumeration code 0). Other keys are passed over.
void applyDescriptorToSettings(const Descriptor& descriptor, UserSettings& settings);

// False with "focus 101 is outside 0..100" when a scripted setting lies
// outside its range: such a value would reach the plug-in, which stores it.
bool scriptedSettingsInRange(const UserSettings& settings, std::string& problem);

// Reads a .z5a preset (over the defaults) and turns it into a descriptor;
// refuses a file that is no preset and values outside their ranges.
bool presetDescriptor(const std::string& path, std::optional<Descriptor>& descriptor, std::string& error);
