// Without a window system the dialog cannot open: the settings are taken as
// they stand, as if the user had pressed OK at once, and the About box is
// printed on stderr.
#include "ui/dialog.h"

#include <cstdio>

OSErr runMainDialog(DialogServices&, FilterParameters&) {
    std::fprintf(stderr, "Twilightomator: no display for the dialog; the settings are used as they stand.\n");
    return noErr;
}

void showAboutBox() {
    std::fprintf(stderr, "Twilightomator 1.0 - makes images moody. Copper Heron.\n");
}
