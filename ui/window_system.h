// The toolkit the dialogs are shown with. On Linux the GTK backend is a
// module of its own beside the plug-in, loaded the first time a window is
// shown, so that runs without a dialog never load the toolkit; on Windows
// the Win32 backend is linked into the plug-in.
#pragma once

#include "ui/window_layer.h"

// The installed window system, else the loaded toolkit module; nullptr when
// no window can be shown (no module or no display).
WindowSystem* windowSystem();
// Makes `system` the one every dialog uses (tests: the headless backend);
// nullptr returns to the toolkit module.
void installWindowSystem(WindowSystem* system);
// The platform's own window system, or nullptr when it cannot show windows.
WindowSystem* platformWindowSystem();

// The name of the toolkit module and of its entry, which returns the
// module's WindowSystem or nullptr when there is no display.
inline constexpr const char* kToolkitModuleName = "twilightomator-gtk.so";
inline constexpr const char* kToolkitModuleEntry = "TwilightomatorWindowSystem";
