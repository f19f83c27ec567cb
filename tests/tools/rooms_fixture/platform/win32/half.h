// The other half.
#pragma once
#include "platform/files.h"
