// Runs the main dialog in the toolkit's modal loop.
#include "ui/dialog.h"

#include "interface/plugin_result_codes.h"
#include "ui/main_dialog.h"
#include "ui/window_system.h"

#include <cstdio>

OSErr runMainDialog(DialogServices& services, FilterParameters& parameters) {
    WindowSystem* system = windowSystem();
    if (!system) {
        std::fprintf(stderr, "Twilightomator: the dialog cannot be shown: no display.\n");
        return kResultAlreadyReported;
    }
    MainDialog dialog(services, parameters);
    const DialogSpec spec = mainDialogSpec();
    std::unique_ptr<DialogWindow> window = system->createDialog(spec, dialog);
    if (!window) {
        std::fprintf(stderr, "Twilightomator: the dialog window could not be made.\n");
        return kResultAlreadyReported;
    }
    dialog.open(*window);
    window->runModal();
    // A window closed without OK counts as Cancel.
    if (dialog.exit() == DialogExit::open) return userCanceledErr;
    return dialog.resultCode();
}

void showAboutBox() {
    std::fprintf(stderr, "Twilightomator 1.0 - makes images moody. Copper Heron.\n");
}
