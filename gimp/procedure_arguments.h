// The procedure's arguments in GIMP's procedure database: run-mode, image and
// drawable, then the scripted settings under their terminology names (the
// vignette and sepia colours as one GIMP colour each), and the conversion of
// the settings arguments into the scripting descriptor the plug-in reads.
#pragma once

#include "host/descriptor_suite_store.h"

#include <libgimp/gimp.h>

#include <string>
#include <vector>

// Every argument in order; the strings live as long as the program.
const std::vector<GimpParamDef>& procedureArguments();

// The settings arguments (those after the drawable) as a descriptor; false
// with a message naming the argument when one is missing, of another type or
// outside its range.
bool descriptorFromArguments(const GimpParam* arguments, int count, Descriptor& descriptor, std::string& error);
