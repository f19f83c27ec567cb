// The GTK 3 backend of the window layer: a dialog whose client area is a
// GtkFixed of the dialog's size, the self-drawn parts on a drawing area
// under it, the standard controls as real widgets at their rectangles.
#pragma once

#include "ui/window_layer.h"

class GtkWindowSystem final : public WindowSystem {
public:
    std::unique_ptr<DialogWindow> createDialog(const DialogLayout& layout, DialogEvents& events) override;
    void messageBox(const MessageBoxText& message) override;
    bool openWebPage(const char* url) override;
};
