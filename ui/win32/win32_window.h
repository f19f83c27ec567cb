// The Win32 backend of the window layer, linked into the plug-in: dialogs
// made from the templates in the module's resources, real Win32 controls,
// the self-drawn parts painted with GDI, the dialog manager's keyboard, and
// the common dialogs for files and colours.
#pragma once

#include "ui/window_layer.h"

class Win32WindowSystem final : public WindowSystem {
public:
    std::unique_ptr<DialogWindow> createDialog(const DialogLayout& layout, DialogEvents& events) override;
    void messageBox(const MessageBoxText& message) override;
    bool openWebPage(const char* url) override;
};
