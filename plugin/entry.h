// PluginMain: entry and selector dispatch.
#pragma once

#include <cstdint>

void pluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result);
