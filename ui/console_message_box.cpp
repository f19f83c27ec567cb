// The console backend of the message box: the message goes to stderr, where
// a command-line host's user reads it.
#include "ui/message_box.h"

#include <cstdio>

void showMessageBox(const MessageBoxText& message) {
    std::fprintf(stderr, "%s: %s [%s]\n", message.title, message.text, message.button);
}
