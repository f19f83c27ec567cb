// Entry stand-in.
#pragma once
#include "plugin/module/exports.h"
