// The host's colour picker, offered through its colour services.
#pragma once

#include "interface/host_interface.h"
#include "model/parameters.h"

// Asks the host's picker for a colour in RGB, starting from the high byte of
// each channel, with prompt shown as the picker's prompt. Returns false,
// colour unchanged, when the host offers no colour services. Otherwise the
// colour becomes whatever the host left in the components, each kept to
// 0..255 and multiplied by 256, whatever result code it returns.
bool chooseColourWithHost(ColorServicesProc colorServices, const char* prompt, Color16& colour);
