// Command-line flags for the 21 scripted settings (--focus 80, --glue overlay,
// --vignette-color #102030, --high-quality=off ...), each checked against the
// dialog's range and gathered into a descriptor that the host replays.
#pragma once

#include "host/descriptor_suite_store.h"

#include <string>
#include <vector>

struct SettingsFlags {
    Descriptor descriptor;          // the settings given; a repeated flag keeps its last value
    std::vector<std::string> rest;  // every argument that is not a settings flag, in order
};

// False with a message naming the flag ("--focus: 120 is outside 0..100").
// Arguments from "--" on are left in rest untouched.
bool parseSettingsFlags(const std::vector<std::string>& arguments, SettingsFlags& flags, std::string& error);

// The flags, their values and ranges, one per line, for the program's help.
std::string settingsFlagsHelp();
