// Nothing thrown inside the plug-in may leave it: its callers are hosts
// written in C, and an exception crossing the entry point would end the
// host's process and the user's unsaved work with it. What the standard
// library throws inside the plug-in is a refused resource (memory for a
// growing buffer, most often), so it reaches the host as memFullErr.
#pragma once

#include "interface/host_interface.h"

#include <cstdint>

// Runs `call`; when it throws, stores memFullErr in `*result` (if any) and
// returns memFullErr. Returns noErr otherwise (the call reports its own
// result where it has one).
template <typename Call>
int16_t callWithinModule(int16_t* result, Call&& call) noexcept {
    try {
        call();
        return noErr;
    } catch (...) {
        if (result) *result = memFullErr;
        return memFullErr;
    }
}
