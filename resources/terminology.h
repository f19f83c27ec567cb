// The scripting terminology resource: the names and types a host shows for
// the filter's scripted settings, as the little-endian bytes of the module's
// resource section.
#pragma once

#include <cstdint>
#include <vector>

// The word before the version bytes; hosts pass over it.
constexpr uint16_t kTerminologyLeadWord = 1;

std::vector<uint8_t> terminologyResourceBytes();
