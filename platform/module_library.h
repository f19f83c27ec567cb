// Loading a shared module and finding its exported entries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Opens the module at path; nullptr with a reason in `error` when it cannot.
void* openModuleLibrary(const std::string& path, std::string& error);
// The address of an exported entry, nullptr when the module has none of that name.
void* moduleEntry(void* library, const char* name);
void closeModuleLibrary(void* library);

// The path of the module (program or shared library) that holds `address`;
// empty when the system does not tell.
std::string modulePathOf(const void* address);

// The path of the running program; empty when the system does not tell.
std::string runningProgramPath();

// The bytes of resource (type, id) of an open module, type being four
// characters with the first in the high byte. On Windows the module's resource
// section; on Linux its exported accessor TwilightomatorResource, the
// section's counterpart. False (bytes empty) when the module has none.
bool moduleResource(void* library, uint32_t type, int16_t id, std::vector<uint8_t>& bytes);
