// Helpers shared by the test programs: a private temporary folder per test
// program and the paths of the built plug-in and program.
#pragma once

#include <string>

// A fresh folder under the build tree; TMPDIR points at it so that the
// plug-in's store files never touch the user's temporary folder.
const std::string& testTemporaryFolder();
std::string builtPluginPath();
std::string builtAppPath();
std::string sourceDirectory();
