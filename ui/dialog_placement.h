// Where a dialog window opens: over its parent window (the main dialog for
// the small windows, the desktop when there is none), kept on the screen.
#pragma once

#include "ui/window_layer.h"

#include <cstdint>

struct PlacementRequest {
    WindowRect parent;  // the parent's client area in screen coordinates
    WindowRect screen;  // the screen the window must stay on
    int32_t width, height;     // the dialog window's size
    int32_t titleButtonWidth;  // the width of a title-bar button; 0: no shift
    bool systemMenu;           // the window has the system menu (close button)
};

// The dialog stands at half the parent's spare width (0 when the dialog is
// wider) less a title-button width (two thirds of it without a system menu),
// and one third of the spare height down; then it is moved back to end at
// the screen's right or bottom edge when it would pass it, but never past the
// screen's left or top edge. The result has the dialog's size.
WindowRect placeDialog(const PlacementRequest& request);

// A file or colour chooser stands at half the parent's spare width and half
// its spare height, without a title-button shift, and never left of or above
// the screen's origin. The result has the chooser's size.
WindowRect placeChooser(const PlacementRequest& request);
