// Shared drawing stand-in.
#pragma once
#include "ui/window_layer.h"
#include "kernels/pixels.h"
