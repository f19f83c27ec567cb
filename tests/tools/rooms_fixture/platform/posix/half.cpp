// One system half reaching into the other.
#include "platform/files.h"
#include "platform/win32/half.h"
