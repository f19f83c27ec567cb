// How much memory the machine has, so that a document that cannot fit is
// refused before anything is allocated for it.
#pragma once

#include <cstdint>

// The machine's physical memory in bytes; 0 when it cannot be told.
uint64_t physicalMemoryBytes();
