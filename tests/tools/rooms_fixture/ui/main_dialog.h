// Dialog logic stand-in.
#pragma once
#include "ui/window_layer.h"
