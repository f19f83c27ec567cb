// The message box: through the toolkit when windows are wanted and can be
// shown, else on stderr, where a command-line host's user reads it.
#include "ui/message_box.h"

#include "ui/window_system.h"

#include <cstdio>

void showMessageBox(const MessageBoxText& message, bool interactive) {
    WindowSystem* system = interactive ? windowSystem() : nullptr;
    if (system) {
        system->messageBox(message);
        return;
    }
    std::fprintf(stderr, "%s: %s [%s]\n", message.title, message.text, message.button);
}
