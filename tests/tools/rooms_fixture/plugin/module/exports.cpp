// The module on top of the plug-in.
#include "plugin/entry.h"
#include "ui/main_dialog.h"
