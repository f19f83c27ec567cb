// A backend that keeps to the window layer.
#include "ui/gtk/good_backend.h"
#include "ui/window_layer.h"
#include "ui/cairo/surface.h"
#include "platform/files.h"
