// The toolkit module's one entry: the GTK window system, or nullptr when
// GTK cannot open a display.
#include "ui/gtk/gtk_window.h"
#include "ui/window_system.h"

#include <gtk/gtk.h>

extern "C" __attribute__((visibility("default"))) WindowSystem* TwilightomatorWindowSystem() {
    static const bool opened = gtk_init_check(nullptr, nullptr);
    if (!opened) return nullptr;
    static GtkWindowSystem system;
    return &system;
}
