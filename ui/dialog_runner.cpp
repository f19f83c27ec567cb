// Runs the main dialog in the toolkit's modal loop.
#include "ui/dialog.h"

#include "interface/plugin_result_codes.h"
#include "ui/main_dialog.h"
#include "ui/small_dialogs.h"
#include "ui/window_system.h"

#include <cstdio>

OSErr runMainDialog(DialogServices& services, FilterParameters& parameters) {
    WindowSystem* system = windowSystem();
    if (!system) {
        std::fprintf(stderr, "Twilightomator: the dialog cannot be shown: no display.\n");
        return kResultAlreadyReported;
    }
    MainDialog dialog(services, parameters);
    const DialogLayout layout = mainDialogLayout();
    std::unique_ptr<DialogWindow> window = system->createDialog(layout, dialog);
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
    if (WindowSystem* system = windowSystem()) {
        showAboutBox(*system);
        return;
    }
    // Without a display the box's words go to the console.
    std::fprintf(stderr, "Twilightomator 1.0 - makes images moody. Copper Heron, %s\n", kMakerWebPage);
}
