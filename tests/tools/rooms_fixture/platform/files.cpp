// The room picking a half by include instead of by the build.
#include "platform/posix/half.h"
