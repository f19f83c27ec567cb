// The plug-in's resources (property list, terminology) as the little-endian
// bytes of the Windows resource section, looked up by type and id.
#pragma once

#include <cstdint>

// Copies resource (type, id) into buffer when capacity allows; returns the
// byte count, or -1 when the module has no such resource.
int32_t copyResourceBytes(uint32_t type, int16_t id, void* buffer, int32_t capacity);
