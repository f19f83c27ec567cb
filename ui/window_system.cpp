// Finding the toolkit: an installed window system, else the platform's own
// (found once and kept for the life of the process: a toolkit cannot be
// unloaded safely).
#include "ui/window_system.h"

namespace {
WindowSystem* gInstalled = nullptr;
}  // namespace

WindowSystem* windowSystem() {
    if (gInstalled) return gInstalled;
    static WindowSystem* platform = platformWindowSystem();
    return platform;
}

void installWindowSystem(WindowSystem* system) { gInstalled = system; }
