// A backend that reaches into the dialog logic.
#include "ui/window_layer.h"
#include "ui/main_dialog.h"
